// The tuning run over a track in memory: what it writes where, what it leaves
// alone, the alignment of the corrected audio with the region, and the undo
// copy it hands back.
#include "tuning/tune_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/test_signals.h"
#include "tuning/pitch_probe.h"

namespace {

using tuning::EngineParams;
using tuning::TrackRegion;
using tuning::TrackSamples;
using tuning::TuneSelection;
using tuning::TuneStatus;

EngineParams noteA() {
  EngineParams p;
  p.noteEnabled[0] = true;
  return p;
}

TrackSamples trackOf(std::vector<std::int16_t>& samples, int channels) {
  return {samples.data(), channels, static_cast<std::int64_t>(samples.size()) / channels};
}

TEST(TuneSelection, AnAllZeroRegionStaysAsItIs) {
  auto samples = testsignals::sine(300.0, 30000);
  std::fill(samples.begin() + 5000, samples.begin() + 20000, std::int16_t{0});
  const auto before = samples;
  const auto result = TuneSelection(noteA(), trackOf(samples, 1), {5000, 20000, 1});
  ASSERT_EQ(result.status, TuneStatus::Tuned);
  EXPECT_EQ(samples, before);
  ASSERT_NE(result.undo.samples, nullptr);
  EXPECT_EQ(result.undo.frameCount, 15000);
  EXPECT_EQ(result.undo.startFrame, 5000);
  EXPECT_EQ(result.undo.channel, 0);
  EXPECT_FALSE(result.undo.stereo);
}

TEST(TuneSelection, CorrectsTheRegionInPlaceAndLinesItUpWithTheRegionStart) {
  // Noise is passed through at ratio 1: after the run the region must hold
  // the same noise, not shifted by the engine's latency.
  auto samples = testsignals::whiteNoise(60000, 5000.0);
  const auto before = samples;
  const TrackRegion region{10000, 50000, 1};
  const auto result = TuneSelection(EngineParams{}, trackOf(samples, 1), region);
  ASSERT_EQ(result.status, TuneStatus::Tuned);
  for (std::int64_t i = 0; i < 60000; ++i) {
    if (i < region.selStart || i >= region.selEnd) {
      ASSERT_EQ(samples[i], before[i]) << i;
    }
  }
  std::int64_t bestShift = 0;
  double best = -1.0;
  for (std::int64_t shift = -64; shift <= 64; ++shift) {
    double xy = 0.0, xx = 0.0, yy = 0.0;
    for (std::int64_t i = region.selStart + 100; i < region.selEnd - 100; ++i) {
      xy += static_cast<double>(before[i]) * samples[i + shift];
      xx += static_cast<double>(before[i]) * before[i];
      yy += static_cast<double>(samples[i + shift]) * samples[i + shift];
    }
    const double c = xy / std::sqrt(xx * yy);
    if (c > best) best = c, bestShift = shift;
  }
  EXPECT_GT(best, 0.95);
  // The first grain's window starts near zero, so a few of the first output
  // samples truncate to 0 and are dropped with the latency.
  EXPECT_LE(std::abs(bestShift), 8);
}

TEST(TuneSelection, TunesOnlyTheChosenChannelAndTheUndoCopyHoldsItsOldSamples) {
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
    const auto result = TuneSelection(noteA(), trackOf(stereo, 2), region);
    ASSERT_EQ(result.status, TuneStatus::Tuned);
    const int other = 2 - channel;  // element offset of the untouched channel
    const int tuned = channel - 1;
    std::vector<std::int16_t> channelOut;
    for (std::int64_t f = 0; f < 40000; ++f) {
      ASSERT_EQ(stereo[2 * f + other], before[2 * f + other]) << channel << " " << f;
      const bool inRegion = f >= region.selStart && f < region.selEnd;
      if (!inRegion) {
        ASSERT_EQ(stereo[2 * f + tuned], before[2 * f + tuned]) << f;
      }
      channelOut.push_back(stereo[2 * f + tuned]);
    }
    // Left: 452 Hz comes out on A; right: 300 Hz, 27 cents below D4, goes to A3.
    const auto hz = probe::medianPitchHz(channelOut, 10000, 33000);
    ASSERT_TRUE(hz.has_value()) << channel;
    std::printf("channel %d tuned to A: %.3f Hz\n", channel, *hz);
    EXPECT_LT(std::fabs(probe::cents(channel == 1 ? 440.0 : 220.0, *hz)), 5.0) << channel;
    const auto& undo = result.undo;
    EXPECT_TRUE(undo.stereo);
    EXPECT_EQ(undo.channel, channel);
    EXPECT_EQ(undo.startFrame, 3000);
    ASSERT_EQ(undo.frameCount, 30000);
    for (std::int64_t i = 0; i < 30000; ++i)
      ASSERT_EQ(undo.samples[i], before[2 * (3000 + i) + tuned]) << i;
    // The rest of the work array is the flush: zeros to a whole block.
    const std::int64_t workLength = (30000 + 4096 + 1023) / 1024 * 1024;
    for (std::int64_t i = 30000; i < workLength; ++i) ASSERT_EQ(undo.samples[i], 0) << i;
  }
}

TEST(TuneSelection, LeadingSilenceIsDroppedAndAShortTailKeepsItsSamples) {
  // 10240 frames make whole blocks with the flush, leaving no slack: with
  // 2000 silent frames at the region's start, the output that follows the
  // first sound is about 2000 frames short of the region.
  constexpr std::int64_t start = 500, length = 10240, silent = 2000;
  auto samples = testsignals::sine(440.0, start + length + 500, 10000.0);
  std::fill(samples.begin() + start, samples.begin() + start + silent, std::int16_t{0});
  const auto before = samples;
  const auto result = TuneSelection(noteA(), trackOf(samples, 1), {start, start + length, 1});
  ASSERT_EQ(result.status, TuneStatus::Tuned);
  // The tone now begins at the region's start.
  const auto loud = [&](std::int64_t from, std::int64_t to) {
    int peak = 0;
    for (std::int64_t i = from; i < to; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
  };
  EXPECT_GT(loud(start, start + 200), 3000);
  // The last 1500 frames never got output and keep their untuned samples.
  for (std::int64_t i = start + length - 1500; i < start + length; ++i)
    ASSERT_EQ(samples[i], before[i]) << i;
}

TEST(TuneSelection, ReportsProgressAndClipsTheRegionToTheTrack) {
  auto samples = testsignals::sine(452.0, 20000);
  std::int64_t lastDone = 0, lastTotal = 0;
  const auto result = TuneSelection(noteA(), trackOf(samples, 1), {15000, 90000, 1},
                                    [&](std::int64_t done, std::int64_t total) {
                                      EXPECT_EQ(done, lastDone + 1);
                                      lastDone = done;
                                      lastTotal = total;
                                    });
  ASSERT_EQ(result.status, TuneStatus::Tuned);
  EXPECT_EQ(result.undo.frameCount, 5000);
  EXPECT_EQ(lastTotal, (5000 + 4096 + 1023) / 1024);
  EXPECT_LE(lastDone, lastTotal);
  EXPECT_STREQ(tuning::tuneStatusText(TuneStatus::OutOfMemory), "Error - out of memory");
  EXPECT_STREQ(tuning::tuneStatusText(TuneStatus::EngineFailed),
               "Error initializing tuning engine");
}

}  // namespace
