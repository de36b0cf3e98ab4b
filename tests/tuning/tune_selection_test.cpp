// The tuning run over a track in memory: the tuned audio keeps its timing, the
// seams with the untouched track stay continuous wherever the region lies, only
// the region of the chosen channel is written, and the undo copy restores it.
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

  // Noise passes at ratio 1: the region must hold the same noise in the same
  // place to its last frame, with nothing repeated or shifted.
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

// The largest step between neighbouring samples of x in [begin, end).
int largestStep(const std::vector<std::int16_t>& x, std::int64_t begin, std::int64_t end) {
  int step = 0;
  for (std::int64_t i = std::max<std::int64_t>(begin, 1); i < end; ++i)
    step = std::max(step, std::abs(x[i] - x[i - 1]));
  return step;
}

TEST(TuneSelection, TheSeamsStayContinuousAndUndoRestoresTheRegion) {
  using tones::Shape;
  constexpr std::int64_t FRAMES = 80000;
  constexpr std::int64_t NEAR = 220;     // 5 ms each side of an edge
  constexpr std::int64_t AROUND = 3000;  // where the signal's own steps are taken
  const auto line = testsignals::voice({{{60, 35, 0.6}, {64, -28, 0.6}, {67, 40, 0.6}}});
  struct Case {
    std::vector<std::int16_t> signal;
    EngineParams params;
    TrackRegion region;
    const char* what;
  };
  const Case cases[] = {
      {tones::tone(Shape::Sine, 230.0, FRAMES), notes({0}, 7), {20011, 60000, 1}, "sine +7"},
      {tones::tone(Shape::WeakFundamental, 150.0, FRAMES),
       notes({0}, -12),
       {30000, 45555, 1},
       "weak fundamental -12"},
      {tones::tone(Shape::Sine, 300.0, FRAMES), notes({0}), {0, 30000, 1}, "at the track's start"},
      {tones::tone(Shape::Sine, 300.0, FRAMES),
       notes({0}),
       {50000, FRAMES, 1},
       "at the track's end"},
      {line.samples, notes({0, 2, 3, 5, 7, 8, 10}), {20000, 60000, 1}, "sung line, C major"},
  };
  for (const Case& c : cases) {
    auto samples = c.signal;
    const auto before = samples;
    const auto result = TuneSelection(c.params, trackOf(samples), c.region);
    ASSERT_EQ(result.status, TuneStatus::Tuned) << c.what;
    const auto [start, end, channel] = c.region;
    for (std::int64_t edge : {start, end}) {
      if (edge == 0 || edge == static_cast<std::int64_t>(samples.size())) continue;
      const int own = std::max(largestStep(before, edge - AROUND, edge + AROUND),
                               edge == start ? largestStep(samples, edge + NEAR, edge + AROUND)
                                             : largestStep(samples, edge - AROUND, edge - NEAR));
      const int seam = largestStep(samples, edge - NEAR, edge + NEAR);
      std::printf("%-22s edge %6lld: largest step %5d, the signal's own %5d\n", c.what,
                  static_cast<long long>(edge), seam, own);
      EXPECT_LE(seam, own) << c.what << " at " << edge;
    }
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(samples.size()); ++i) {
      if (i < start || i >= end) {
        ASSERT_EQ(samples[i], before[i]) << c.what << " " << i;
      }
    }
    // The undo copy holds exactly the region as it was.
    ASSERT_EQ(result.undo.startFrame, start);
    ASSERT_EQ(result.undo.frameCount, end - start);
    std::copy_n(result.undo.samples.get(), end - start, samples.begin() + start);
    EXPECT_EQ(samples, before) << c.what;
  }
}

TEST(TuneSelection, TunesOnlyTheChosenChannel) {
  const auto left = testsignals::sine(452.0, 40000);
  const auto right = testsignals::sine(300.0, 40000, 9000.0);
  for (int channel : {1, 2}) {
    std::vector<std::int16_t> stereo;
    for (int i = 0; i < 40000; ++i) {
      stereo.push_back(left[i]);
      stereo.push_back(right[i]);
    }
    const auto before = stereo;
    const TrackRegion region{3000, 33000, channel};
    const auto result = TuneSelection(notes({0}), trackOf(stereo, 2), region);
    ASSERT_EQ(result.status, TuneStatus::Tuned);
    const int other = 2 - channel;  // element offset of the untouched channel
    const int tuned = channel - 1;
    std::vector<std::int16_t> channelOut;
    for (std::int64_t f = 0; f < 40000; ++f) {
      ASSERT_EQ(stereo[2 * f + other], before[2 * f + other]) << channel << " " << f;
      if (f < region.selStart || f >= region.selEnd) {
        ASSERT_EQ(stereo[2 * f + tuned], before[2 * f + tuned]) << f;
      }
      channelOut.push_back(stereo[2 * f + tuned]);
    }
    // Left: 452 Hz comes out on A; right: 300 Hz, 27 cents below D4, goes to A3.
    const auto hz = probe::medianPitchHz(channelOut, 5000, 33000);
    ASSERT_TRUE(hz.has_value()) << channel;
    EXPECT_LT(std::fabs(probe::cents(channel == 1 ? 440.0 : 220.0, *hz)), 5.0) << channel;
    const auto& undo = result.undo;
    EXPECT_TRUE(undo.stereo);
    EXPECT_EQ(undo.channel, channel);
    for (std::int64_t i = 0; i < 30000; ++i)
      ASSERT_EQ(undo.samples[i], before[2 * (3000 + i) + tuned]) << i;
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
  EXPECT_EQ(result.undo.channel, 0);
  EXPECT_FALSE(result.undo.stereo);

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
  EXPECT_STREQ(tuning::tuneStatusText(TuneStatus::OutOfMemory), "Error - out of memory");
  EXPECT_STREQ(tuning::tuneStatusText(TuneStatus::EngineFailed),
               "Error initializing tuning engine");
}

}  // namespace
