// `cantora-cli pitch` run as a user runs it: the CSV follows a generated
// glide and a vibrato phrase within a few cents on voiced hops and marks
// silence and noise unvoiced; the PNG is a PNG; bad requests leave nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "cli/cli_run.h"
#include "support/test_signals.h"

namespace {

using clitest::quote;
using clitest::runCli;

constexpr double RATE = testsignals::RATE;
constexpr double HOP = 1024.0;
constexpr double HALF_FRAME = 2048.0;
// The test track: silence, the sung part, white noise, silence (seconds).
constexpr double SILENCE = 0.5, SUNG = 1.5, NOISE = 0.5, TAIL = 0.3;

// Semitones above A4 at `t` seconds into the sung part.
using PitchAt = std::function<double(double)>;

// A tone with three harmonics following `pitch`, in its place in the track.
std::vector<std::int16_t> track(const PitchAt& pitch) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(SILENCE * RATE), 0);
  double phase = 0.0;
  for (int i = 0; i < static_cast<int>(SUNG * RATE); ++i) {
    phase += 2.0 * std::numbers::pi * 440.0 * std::pow(2.0, pitch(i / RATE) / 12.0) / RATE;
    out.push_back(testsignals::toSample(
        9000.0 * (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase))));
  }
  const auto noise = testsignals::whiteNoise(static_cast<std::int64_t>(NOISE * RATE), 8000.0);
  out.insert(out.end(), noise.begin(), noise.end());
  out.resize(out.size() + static_cast<std::size_t>(TAIL * RATE), 0);
  return out;
}

// A CSV line: the hop's time, and for a voiced hop its Hz and cents.
struct Line {
  double seconds = 0, hz = 0, cents = 0;
  bool voiced = false;
};

std::vector<Line> parseCsv(const std::string& text) {
  std::vector<Line> lines;
  std::istringstream in(text);
  std::string row;
  std::getline(in, row);
  EXPECT_EQ(row, "time_s,frequency_hz,note,cents,clarity");
  while (std::getline(in, row)) {
    Line l;
    char note[16] = {};
    l.voiced =
        std::sscanf(row.c_str(), "%lf,%lf,%15[^,],%lf,", &l.seconds, &l.hz, note, &l.cents) == 4;
    EXPECT_TRUE(l.voiced || std::sscanf(row.c_str(), "%lf,,,,%*f", &l.seconds) == 1) << row;
    lines.push_back(l);
  }
  return lines;
}

class PitchCli : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_pitch"};
  std::string wav(const std::vector<std::int16_t>& samples) {
    const std::string path = dir.file("in.wav");
    testfiles::writeFile(path, testfiles::pcmWav(1, 44100, samples));
    return path;
  }
};

TEST_F(PitchCli, CsvFollowsGlideAndVibratoAndLeavesSilenceAndNoiseUnvoiced) {
  struct Case {
    const char* what;
    PitchAt pitch;
    double centsTolerance;
    // Seconds of the sung part where the note changes faster than a frame
    // can say (a 60 ms glide between notes): not compared.
    double changeFrom, changeTo;
  };
  const Case cases[] = {
      {"a glide from A3 up to A4", [](double t) { return -12.0 + 12.0 * t / SUNG; }, 5.0, 0, 0},
      {"C4 then E4 with 30 cents of vibrato at 5.5 Hz",
       [](double t) {
         const double note = t < 0.75 ? -9.0 : (t < 0.81 ? -9.0 + 4.0 * (t - 0.75) / 0.06 : -5.0);
         return note + 0.3 * std::sin(2.0 * std::numbers::pi * 5.5 * t);
       },
       5.0, 0.75 - 0.023, 0.81 + 0.023},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string in = wav(track(c.pitch));
    const std::string csv = dir.file("pitch.csv");
    const auto r = runCli(dir, "pitch " + quote(in) + " --csv " + quote(csv));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bytes = testfiles::readFile(csv);
    const std::vector<Line> lines = parseCsv(std::string(bytes.begin(), bytes.end()));
    ASSERT_GT(lines.size(), 100u);
    int inside = 0, voiced = 0;
    double worst = 0.0;
    for (const Line& l : lines) {
      const double frame = l.seconds * RATE;
      const double sungFrom = SILENCE * RATE, sungTo = (SILENCE + SUNG) * RATE;
      if (frame - HALF_FRAME >= sungFrom && frame + HALF_FRAME <= sungTo) {
        ++inside;
        if (!l.voiced) continue;
        ++voiced;
        const double t = l.seconds - SILENCE;
        if (t >= c.changeFrom && t <= c.changeTo) continue;
        const double expected = c.pitch(t);
        worst = std::max(worst, std::fabs(1200.0 * std::log2(l.hz / 440.0) - 100.0 * expected));
        const double nearest = std::round(12.0 * std::log2(l.hz / 440.0));
        EXPECT_NEAR(l.cents, 1200.0 * std::log2(l.hz / 440.0) - 100.0 * nearest, 0.1);
      } else if (frame + HALF_FRAME <= sungFrom || frame - HALF_FRAME >= sungTo) {
        EXPECT_FALSE(l.voiced) << "silence or noise at " << l.seconds << " s";
      }
    }
    EXPECT_EQ(voiced, inside);
    EXPECT_LT(worst, c.centsTolerance);
  }
}

TEST_F(PitchCli, PngIsWrittenWholeAndBadRequestsLeaveNothing) {
  const std::string in = wav(track([](double) { return 0.0; }));
  const std::string png = dir.file("curve.png");
  auto r = runCli(dir, "pitch " + quote(in) + " --start 22050 --length 44100 --png " + quote(png));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto bytes = testfiles::readFile(png);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  // Without --csv or --png the table goes to standard output: one line per hop
  // centred in the region, after the header.
  r = runCli(dir, "pitch " + quote(in) + " --start 22050 --length 44100");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(parseCsv(r.out).size(), 43u);
  EXPECT_NEAR(parseCsv(r.out).front().seconds, 22528.0 / RATE, 1e-4);

  struct Bad {
    const char* args;
    int status;
  };
  const Bad bad[] = {{"--start 99999999", 2}, {"--channel 2", 2}, {"--bogus", 2}, {"", -1}};
  for (const Bad& b : bad) {
    const std::string args = b.status < 0
                                 ? "pitch --png " + quote(dir.path().string()) + " " + quote(in)
                                 : "pitch " + quote(in) + " " + b.args;
    r = runCli(dir, args + " --csv " + quote(dir.file("bad.csv")));
    EXPECT_NE(r.status, 0) << args;
    EXPECT_FALSE(r.err.empty()) << args;
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.csv"))) << args;
  }
  EXPECT_EQ(clitest::listing(dir), (std::vector<std::string>{"curve.png", "in.wav"}));
}

}  // namespace
