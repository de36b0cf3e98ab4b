// The tuning run over a track in memory: the tuned audio keeps its timing, the
// seams with the untouched track stay continuous wherever the region lies, only
// the region of the chosen channel is written, and the undo copy restores it.
// Pitch and level are measured on the engine itself (pitch_correction_test).
#include "tuning/tune_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/test_signals.h"
#include "tuning/pitch_probe.h"
#include "tuning/tones.h"

namespace {

using tuning::EngineParams;
using tuning::TrackRegion;
using tuning::TrackSamples;
using tuning::TuneSelection;
using tuning::TuneStatus;

EngineParams notes(std::initializer_list<int> enabled, int shift = 0) {
  EngineParams p;
  for (int n : enabled) p.noteEnabled[n] = true;
  p.pitchShift = shift;
  return p;
}

TrackSamples trackOf(std::vector<std::int16_t>& samples, int channels = 1) {
  return {samples.data(), channels, static_cast<std::int64_t>(samples.size()) / channels};
}

// The first frame from `from` on whose magnitude reaches `level`.
std::int64_t onset(const std::vector<std::int16_t>& x, std::int64_t from, int level) {
  while (from < static_cast<std::int64_t>(x.size()) && std::abs(int{x[from]}) < level) ++from;
  return from;
}

double correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                   std::int64_t begin, std::int64_t end) {
  double ab = 0.0, aa = 0.0, bb = 0.0;
  for (std::int64_t i = begin; i < end; ++i) {
    ab += static_cast<double>(a[i]) * b[i];
    aa += static_cast<double>(a[i]) * a[i];
    bb += static_cast<double>(b[i]) * b[i];
  }
  return ab / std::sqrt(aa * bb);
}

TEST(TuneSelection, TheTunedAudioKeepsItsTiming) {
  // The region opens with 2000 frames of digital silence, then the sound.
  constexpr std::int64_t start = 6000, silent = 2000, length = 30000;
  // A tone moved from 452 Hz to A: its onset stays where it was.
  auto tone = tones::tone(tones::Shape::Sine, 452.0, 50000, 12000.0);
  std::fill(tone.begin(), tone.begin() + start + silent, std::int16_t{0});
  const auto toneBefore = tone;
  ASSERT_EQ(TuneSelection(notes({0}), trackOf(tone), {start, start + length, 1}).status,
            TuneStatus::Tuned);
  const std::int64_t error = onset(tone, start, 3000) - onset(toneBefore, start, 3000);
  std::printf("tone onset moved by %lld frames\n", static_cast<long long>(error));
  EXPECT_LE(std::abs(error), 44);  // 1 ms

  // Noise is unvoiced and passes at ratio 1, a fixed latency late: the region
  // must hold the same noise in the same place to its last frame, with
  // nothing repeated or shifted by as much as a frame.
  auto noise = testsignals::whiteNoise(50000, 5000.0);
  std::fill(noise.begin() + start, noise.begin() + start + silent, std::int16_t{0});
  const auto noiseBefore = noise;
  ASSERT_EQ(TuneSelection(EngineParams{}, trackOf(noise), {start, start + length, 1}).status,
            TuneStatus::Tuned);
  const std::int64_t end = start + length;
  for (std::int64_t i = start; i < start + silent - 200; ++i) ASSERT_EQ(noise[i], 0) << i;
  EXPECT_GT(correlation(noise, noiseBefore, start + silent + 500, end - 2000), 0.97);
  EXPECT_GT(correlation(noise, noiseBefore, end - 2000, end), 0.97);
}

// The largest step between neighbouring frames of channel c (0 or 1) of x,
// interleaved with `channels`, over frames [begin, end).
int largestStep(const std::vector<std::int16_t>& x, int channels, int c, std::int64_t begin,
                std::int64_t end) {
  int step = 0;
  for (std::int64_t f = std::max<std::int64_t>(begin, 1); f < end; ++f)
    step = std::max(step, std::abs(x[f * channels + c] - x[(f - 1) * channels + c]));
  return step;
}

std::vector<std::int16_t> interleave(const std::vector<std::int16_t>& a,
                                     const std::vector<std::int16_t>& b) {
  std::vector<std::int16_t> out;
  for (std::size_t i = 0; i < a.size(); ++i) out.insert(out.end(), {a[i], b[i]});
  return out;
}

TEST(TuneSelection, TheSeamsStayContinuousAndUndoRestoresTheRegion) {
  using tones::Shape;
  constexpr std::int64_t FRAMES = 80000;
  constexpr std::int64_t NEAR = 220;     // 5 ms each side of an edge
  constexpr std::int64_t AROUND = 3000;  // where the signal's own steps are taken
  const auto line = testsignals::voice({{{60, 35, 0.6}, {64, -28, 0.6}, {67, 40, 0.6}}});
  const auto sine300 = tones::tone(Shape::Sine, 300.0, FRAMES);
  struct Case {
    std::vector<std::int16_t> signal;
    int channels;
    EngineParams params;
    TrackRegion region;
    const char* what;
  };
  const Case cases[] = {
      {tones::tone(Shape::Sine, 230.0, FRAMES), 1, notes({0}, 7), {20011, 60000, 1}, "sine +7"},
      {tones::tone(Shape::WeakFundamental, 150.0, FRAMES),
       1,
       notes({0}, -12),
       {30000, 45555, 1},
       "weak fundamental -12"},
      {sine300, 1, notes({0}), {0, 30000, 1}, "at the track's start"},
      {sine300, 1, notes({0}), {50000, FRAMES, 1}, "at the track's end"},
      {line.samples, 1, notes({0, 2, 3, 5, 7, 8, 10}), {20000, 60000, 1}, "sung line, C major"},
      // Only the chosen channel of a stereo track is tuned.
      {interleave(sine300, line.samples), 2, notes({5}, 3), {20000, 60000, 1}, "left channel"},
      {interleave(sine300, line.samples), 2, notes({5}, 3), {20000, 60000, 2}, "right channel"},
  };
  for (const Case& c : cases) {
    auto samples = c.signal;
    const auto before = samples;
    const auto result = TuneSelection(c.params, trackOf(samples, c.channels), c.region);
    ASSERT_EQ(result.status, TuneStatus::Tuned) << c.what;
    const auto [start, end, channel] = c.region;
    const int tuned = channel - 1;
    const auto frames = static_cast<std::int64_t>(samples.size()) / c.channels;
    for (std::int64_t edge : {start, end}) {
      if (edge == 0 || edge == frames) continue;
      const int own = std::max(
          largestStep(before, c.channels, tuned, edge - AROUND, edge + AROUND),
          edge == start ? largestStep(samples, c.channels, tuned, edge + NEAR, edge + AROUND)
                        : largestStep(samples, c.channels, tuned, edge - AROUND, edge - NEAR));
      const int seam = largestStep(samples, c.channels, tuned, edge - NEAR, edge + NEAR);
      std::printf("%-22s edge %6lld: largest step %5d, the signal's own %5d\n", c.what,
                  static_cast<long long>(edge), seam, own);
      // A click is many times the signal's own step; the fade's slope may add
      // a little to the steps of the two sounds it blends.
      EXPECT_LE(seam, own * 11 / 10) << c.what << " at " << edge;
    }
    // Nothing but the region of the chosen channel is written, and the undo
    // copy holds exactly what it held.
    ASSERT_EQ(result.undo.startFrame, start);
    ASSERT_EQ(result.undo.frameCount, end - start);
    EXPECT_EQ(result.undo.stereo, c.channels == 2);
    EXPECT_EQ(result.undo.channel, c.channels == 2 ? channel : 0);
    EXPECT_NE(samples, before) << c.what;
    for (std::int64_t f = start; f < end; ++f)
      samples[f * c.channels + tuned] = result.undo.samples[f - start];
    EXPECT_EQ(samples, before) << c.what;
  }
}

TEST(TuneSelection, SilenceStaysSilentAndTheRegionIsClippedToTheTrack) {
  // An all-zero region far from any sound is left as it is.
  auto samples = testsignals::sine(300.0, 40000);
  std::fill(samples.begin() + 5000, samples.begin() + 35000, std::int16_t{0});
  const auto before = samples;
  auto result = TuneSelection(notes({0}, 5), trackOf(samples), {12000, 28000, 1});
  ASSERT_EQ(result.status, TuneStatus::Tuned);
  EXPECT_EQ(samples, before);

  // A region running past the end is cut at it; progress counts every block.
  std::int64_t lastDone = 0, lastTotal = 0;
  result = TuneSelection(notes({0}), trackOf(samples), {35000, 90000, 1},
                         [&](std::int64_t done, std::int64_t total) {
                           EXPECT_EQ(done, lastDone + 1);
                           lastDone = done;
                           lastTotal = total;
                         });
  ASSERT_EQ(result.status, TuneStatus::Tuned);
  EXPECT_EQ(result.undo.frameCount, 5000);
  EXPECT_EQ(lastDone, lastTotal);
}

}  // namespace
