// `cantora-cli readout` and `cantora-cli tune` run as a user runs them: files
// in, text and files out, read back by sox; the texts must match what the
// program shows for the same samples, and bad arguments must leave nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "cli/cli_run.h"
#include "support/test_signals.h"
#include "tuning/pitch_probe.h"
#include "tuning/pitch_readout.h"

namespace {

using clitest::quote;
using clitest::runCli;

constexpr std::size_t BLOCK = 4608;  // the import pads tracks to whole blocks

class TuningCli : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_tuning"};

  std::string wav(const std::string& name, unsigned channels,
                  const std::vector<std::int16_t>& samples) {
    const std::string path = dir.file(name);
    testfiles::writeFile(path, testfiles::pcmWav(channels, 44100, samples));
    return path;
  }

  // The readout the program shows for `samples` padded as the import pads.
  static std::string programReadout(std::vector<std::int16_t> samples, int channels,
                                    tuning::TrackRegion region) {
    const std::size_t frames = samples.size() / channels;
    samples.resize((frames + BLOCK - 1) / BLOCK * BLOCK * channels, 0);
    tuning::TrackSamples track{samples.data(), channels,
                               static_cast<std::int64_t>(samples.size()) / channels};
    if (region.selEnd == 0) region.selEnd = track.frameCount;
    return std::string(tuning::PitchReadout(track, region).view()) + "\n";
  }
};

// The median pitch of one channel of a stereo track over [from, to); 0 when
// it has none.
double stereoPitchHz(const std::vector<std::int16_t>& stereo, int channel, std::size_t from,
                     std::size_t to) {
  std::vector<std::int16_t> one;
  for (std::size_t i = channel; i < stereo.size(); i += 2) one.push_back(stereo[i]);
  return probe::medianPitchHz(one, from, to).value_or(0.0);
}

std::vector<std::int16_t> interleave(const std::vector<std::int16_t>& a,
                                     const std::vector<std::int16_t>& b) {
  std::vector<std::int16_t> out;
  for (std::size_t i = 0; i < a.size(); ++i) {
    out.push_back(a[i]);
    out.push_back(b[i]);
  }
  return out;
}

TEST_F(TuningCli, ReadoutPrintsTheTextTheProgramShows) {
  const auto tone = testsignals::sine(452.0, 44100);
  const std::string mono = wav("mono.wav", 1, tone);
  auto r = runCli(dir, "readout " + quote(mono));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, programReadout(tone, 1, {0, 0, 1}));
  EXPECT_EQ(r.out.substr(0, 5), "A4 +4");

  const auto stereo = interleave(testsignals::sine(220.0, 30000), testsignals::sine(330.0, 30000));
  const std::string both = wav("stereo.wav", 2, stereo);
  r = runCli(dir, "readout " + quote(both) + " --channel 2 --start 1000 --length=5000");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, programReadout(stereo, 2, {1000, 6000, 2}));
  EXPECT_EQ(r.out.substr(0, 3), "E4 ");
  r = runCli(dir, "readout --start=1000 " + quote(both));
  EXPECT_EQ(r.out, programReadout(stereo, 2, {1000, 0, 1}));
  EXPECT_EQ(r.out.substr(0, 3), "A3 ");

  const std::string silent = wav("silent.wav", 1, std::vector<std::int16_t>(10000, 0));
  r = runCli(dir, "readout " + quote(silent));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, " ??? \n");
}

TEST_F(TuningCli, TuneCorrectsTheRegionOfTheChosenChannelAndWritesTheWholeTrack) {
  const auto left = testsignals::sine(300.0, 60000);
  const auto right = testsignals::sine(452.0, 60000, 12000.0);
  const auto original = interleave(left, right);
  const std::string in = wav("in.wav", 2, original);
  const std::string out = dir.file("out.wav");
  auto r = runCli(dir, "tune " + quote(in) + " -o " + quote(out) +
                           " --channel 2 --shift -12 --notes 'a, C#' --grace 0 --start 5000"
                           " --length 50000");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(testfiles::soxi("-c", out) + " " + testfiles::soxi("-r", out), "2 44100");
  auto tuned = testfiles::soxSamples(out);
  ASSERT_EQ(tuned.size(), 2 * ((60000 + BLOCK - 1) / BLOCK * BLOCK));
  for (std::size_t f = 0; f < 60000; ++f) {
    ASSERT_EQ(tuned[2 * f], left[f]) << f;
    if (f < 5000 || f >= 55000) {
      ASSERT_EQ(tuned[2 * f + 1], right[f]) << f;
    }
  }
  const double down = stereoPitchHz(tuned, 1, 15000, 50000);
  EXPECT_LT(std::fabs(probe::cents(220.0, down)), 5.0) << down;

  // The largest shift with no note given: the nearest semitone (D4, 293.66 Hz)
  // an octave up.
  r = runCli(dir, "tune " + quote(in) + " -o " + quote(out) + " --shift 12");
  ASSERT_EQ(r.status, 0) << r.err;
  const double up = stereoPitchHz(testfiles::soxSamples(out), 0, 5000, 55000);
  EXPECT_LT(std::fabs(probe::cents(587.33, up)), 5.0) << up;

  // No note and no shift: the track is written as imported.
  r = runCli(dir, "tune " + quote(in) + " --output=" + quote(out) + " --grace 250");
  ASSERT_EQ(r.status, 0) << r.err;
  tuned = testfiles::soxSamples(out);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), tuned.begin()));
}

TEST_F(TuningCli, NotesAreTakenInEverySpelling) {
  const std::string in = wav("in.wav", 1, testsignals::sine(452.0, 13000));
  const std::string out = dir.file("out.wav");
  auto tuned = [&](const std::string& args) {
    const auto r = runCli(dir, "tune " + quote(in) + " -o " + quote(out) + " " + args);
    EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    return testfiles::soxSamples(out);
  };
  // Every spelling of a note tunes exactly as its plain name does; the
  // octave is ignored.
  const std::pair<const char*, std::vector<const char*>> notes[] = {
      {"C#", {"Cs", "cs4", "DB", "db-1", "C#4/Db4", "C\u266F", "D\u266D3"}},
      {"B", {"Cb", "b2", "A##"}},
      {"F", {"E#", "f4"}},
      {"Bb", {"a#", "BB", "Bf"}},
  };
  std::vector<std::vector<std::int16_t>> plain;
  for (const auto& [name, spellings] : notes) {
    plain.push_back(tuned(std::string("--notes ") + name));
    for (const char* spelling : spellings)
      EXPECT_EQ(tuned("--notes '" + std::string(spelling) + "'"), plain.back()) << spelling;
  }
  for (std::size_t i = 1; i < plain.size(); ++i) EXPECT_NE(plain[i], plain[i - 1]) << i;
  // The ends of the shift's range are taken too.
  for (const char* shift : {"--shift 12", "--shift -12"}) EXPECT_FALSE(tuned(shift).empty());
}

TEST_F(TuningCli, BadArgumentsGetOneLineAndLeaveNothing) {
  const std::string in = wav("in.wav", 1, testsignals::sine(300.0, 9000));
  const std::string out = dir.file("out.wav");
  const std::string regionErrors[] = {"--channel 2", "--start 9216", "--start -5", "--length 0",
                                      "--start 100 --length 9117"};
  std::vector<std::string> readoutErrors(std::begin(regionErrors), std::end(regionErrors));
  std::vector<std::string> tuneErrors = readoutErrors;
  readoutErrors.insert(readoutErrors.end(), {"--channel 3", "--length", "--bogus", "extra.wav"});
  tuneErrors.insert(tuneErrors.end(),
                    {"--notes H", "--notes C4x", "--notes C#4/D4", "--notes C-", "--grace 35",
                     "--grace 260", "--shift 13", "--shift x", "--notes", "--speed 2"});
  for (const auto& args : readoutErrors) {
    const auto r = runCli(dir, "readout " + quote(in) + " " + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
  }
  for (const auto& args : tuneErrors) {
    const auto r = runCli(dir, "tune " + quote(in) + " -o " + quote(out) + " " + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << args;
    // A refused note is named.
    if (args.starts_with("--notes ")) {
      EXPECT_NE(r.err.find("'" + args.substr(8) + "'"), std::string::npos) << r.err;
    }
  }
  // The last frame of the padded track is still within it.
  EXPECT_EQ(runCli(dir, "readout " + quote(in) + " --start 100 --length 9116").status, 0);
  EXPECT_EQ(runCli(dir, "tune " + quote(in) + " --notes A").status, 2);
  const std::string none = quote(dir.file("none.wav"));
  auto r = runCli(dir, "readout " + none);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Could not load or read this file!"), std::string::npos);
  r = runCli(dir, "tune " + none + " -o " + quote(out));
  EXPECT_EQ(r.status, 1);
  // Only the input remains: no output and no temporary file was left behind.
  EXPECT_EQ(clitest::listing(dir), std::vector<std::string>{"in.wav"});
}

}  // namespace
