// `cantora-cli devices`, `play` and `record` over catalogues the test writes,
// on the virtual device paced fast: the drivers listed by index, what is
// played comes back from the device's capture, what is recorded is written
// with the device's rate and the asked duration, and bad arguments each get
// one line and their exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "host/test_catalogue.h"

namespace {

using clitest::CliResult;
using testfiles::getLe32;

constexpr unsigned RATE = 44100;

// A track that is never silent, so the capture shows where it was played.
std::vector<std::int16_t> ramp(std::size_t frames) {
  std::vector<std::int16_t> s(frames);
  for (std::size_t i = 0; i < frames; ++i) s[i] = static_cast<std::int16_t>(1 + (i * 7) % 30000);
  return s;
}

struct Played {
  std::size_t start = 0;   // first frame of sound in the capture
  std::size_t length = 0;  // frames of sound from there
  bool exact = true;       // the sound is the ramp from its first frame
};

class TransportCommands : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_transport"};
  std::string catalogue;

  void useDevice(const std::string& settings) {
    catalogue = dir.file("drivers.ini");
    std::ofstream(catalogue) << hosttest::virtualCatalogue(
        "pacing = fast\nspeed = 8\nsampletype = 16\ncapture = " + dir.file("played.wav") + "\n" +
        settings);
  }
  CliResult run(const std::string& args) {
    return clitest::runCli(dir, args, "CANTORA_DRIVER_CATALOGUE=" + clitest::quote(catalogue));
  }
  std::string track(std::size_t frames) {
    const std::string path = dir.file("track.wav");
    testfiles::writeFile(path, testfiles::pcmWav(1, RATE, ramp(frames)));
    return path;
  }
  // The left channel of the capture (16-bit stereo from offset 44).
  Played heard() {
    const std::vector<unsigned char> b = testfiles::readFile(dir.file("played.wav"));
    std::vector<std::int16_t> left;
    for (std::size_t i = 44; i + 4 <= b.size(); i += 4)
      left.push_back(static_cast<std::int16_t>(b[i] | b[i + 1] << 8));
    Played p;
    while (p.start < left.size() && left[p.start] == 0) ++p.start;
    const std::vector<std::int16_t> expected = ramp(left.size());
    while (p.start + p.length < left.size() && left[p.start + p.length] != 0) {
      p.exact = p.exact && left[p.start + p.length] == expected[p.length];
      ++p.length;
    }
    return p;
  }
};

TEST_F(TransportCommands, DevicesListsTheDriversByIndexOrFailsNamingTheCatalogue) {
  useDevice("");
  std::ofstream(catalogue, std::ios::app)
      << "[Quiet]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\ninput = silence\n";
  CliResult r = run("devices");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out + r.err, "0: Virtual Audio Device\n1: Quiet\n");
  std::ofstream(catalogue) << "[classes]\n";
  r = run("devices");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE((r.out + r.err).find(catalogue), std::string::npos) << r.out + r.err;
}

TEST_F(TransportCommands, PlayEndsWithTheTrackOrAfterTheAskedSeconds) {
  useDevice("input = silence\n");
  const std::string file = track(RATE);
  CliResult r = run("play " + clitest::quote(file));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "") << "no status line off a terminal";
  Played p = heard();
  EXPECT_EQ(p.length, RATE) << "the whole track, once";
  EXPECT_TRUE(p.exact);

  const std::string longer = track(10 * RATE);
  r = run("play " + clitest::quote(longer) + " --seconds 2");
  ASSERT_EQ(r.status, 0) << r.err;
  p = heard();
  EXPECT_GE(p.length, 2 * RATE);
  EXPECT_LT(p.length, 2 * RATE + RATE / 4) << "stopped soon after 2 s of audio";
  EXPECT_TRUE(p.exact);

  r = run("play " + clitest::quote(longer) + " --loop --start 0 --length 3000 --seconds 1");
  ASSERT_EQ(r.status, 0) << r.err;
  p = heard();
  EXPECT_GE(p.length, RATE) << "looped for a second";
}

TEST_F(TransportCommands, RecordWritesTwoChannelsAtTheDevicesRateForTheAskedTime) {
  useDevice("samplerate = 48000\ninput = voice\n");
  const std::string out = dir.file("take.wav");
  const CliResult r = run("record " + clitest::quote(out) + " --seconds 1.5");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<unsigned char> b = testfiles::readFile(out);
  ASSERT_GT(b.size(), 58u);
  EXPECT_EQ(b[22], 2) << "channels";
  EXPECT_EQ(getLe32(b, 24), 48000u) << "rate";
  // The writer's layout: "data" at 50, its size at 54.
  ASSERT_EQ(std::string(b.begin() + 50, b.begin() + 54), "data");
  EXPECT_EQ(getLe32(b, 54), 72000u * 4) << "1.5 s of frames";
  EXPECT_EQ(testfiles::soxi("-s", out), "72000");
}

TEST_F(TransportCommands, BadArgumentsGetOneLineAndTheirStatus) {
  useDevice("");
  const std::string file = track(RATE);
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"play " + clitest::quote(file) + " --device 3", 2, "no audio device '3'"},
      {"play " + clitest::quote(file) + " --device x", 2, "no audio device 'x'"},
      {"play " + clitest::quote(dir.file("missing.wav")), 1, "missing.wav"},
      {"play " + clitest::quote(file) + " --seconds 0", 2, "--seconds"},
      {"play " + clitest::quote(file) + " --start 999999", 2, "--start"},
      {"record " + clitest::quote(dir.file("x.wav")), 2, "--seconds"},
      {"record /no/such/folder/x.wav --seconds 1", 1, "/no/such/folder"},
      {"record " + clitest::quote(dir.path().string()) + " --seconds 1", 1, "is a folder"},
      {"devices extra", 2, "takes no arguments"},  // a usage error, as for every command
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliResult r = run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

}  // namespace
