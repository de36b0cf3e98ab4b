// The peak routines and the group layout the loaders fill.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "view/peaks.h"

namespace {

using namespace view;

TEST(PeakRoutines, MonoKeepsTheMaximumNonNegativeAndTheMinimumNonPositive) {
  const std::int16_t mixed[] = {5, -3, 12, -40, 7};  // odd count: the last sample counts too
  MonoPeak p = peakMono(mixed, 5);
  EXPECT_EQ(p.max, 12);
  EXPECT_EQ(p.min, -40);
  const std::int16_t lastIsLargest[] = {1, 2, 99};
  EXPECT_EQ(peakMono(lastIsLargest, 3).max, 99);

  const std::int16_t positive[] = {3, 9, 4};
  p = peakMono(positive, 3);
  EXPECT_EQ(p.max, 9);
  EXPECT_EQ(p.min, 0);
  const std::int16_t negative[] = {-3, -9, -32768, -1};
  p = peakMono(negative, 4);
  EXPECT_EQ(p.max, 0);
  EXPECT_EQ(p.min, -32768);

  const std::int16_t one[] = {1234};
  p = peakMono(one, 1);  // fewer than two samples give nothing
  EXPECT_EQ(p.max, 0);
  EXPECT_EQ(p.min, 0);
}

TEST(PeakRoutines, StereoKeepsTheChannelsApart) {
  const std::int16_t frames[] = {10, -5, -20, 30, 4, 2};
  const StereoPeak p = peakStereo(frames, 3);
  EXPECT_EQ(p.max1, 10);
  EXPECT_EQ(p.min1, -20);
  EXPECT_EQ(p.max2, 30);
  EXPECT_EQ(p.min2, -5);
}

TEST(PeakGroups, StereoGroupsHoldMaxima1And2ThenMinima1And2AndTheLastGroupIsPartial) {
  // 5 frames, 2 per group: groups {0,1}, {2,3}, {4}.
  const std::vector<std::int16_t> samples = {1, -1, 8, -8, -6, 6, 3, -3, 100, -100};
  std::vector<std::int16_t> peaks(3 * 4, 77);
  computePeaks(peaks.data(), samples.data(), 5, 2, 2);
  const std::vector<std::int16_t> expected = {8, 0, 0, -8, 3, 6, -6, -3, 100, 0, 0, -100};
  EXPECT_EQ(peaks, expected);

  std::vector<std::int16_t> mono(2 * 2, 77);
  const std::vector<std::int16_t> monoSamples = {4, -7, 9};
  computePeaks(mono.data(), monoSamples.data(), 3, 1, 2);
  // The single-sample last group gives 0 and 0, as the mono routine does.
  EXPECT_EQ(mono, (std::vector<std::int16_t>{4, -7, 0, 0}));
}

}  // namespace
