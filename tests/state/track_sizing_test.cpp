#include "state/track_sizing.h"

#include <gtest/gtest.h>

using state::fitZoom;
using state::sizePeakArray;

TEST(FitZoom, TrackOfPaneWidthFitsAtOneAndOneMoreFrameNeedsTwo) {
  EXPECT_EQ(fitZoom(1766, 1766), 1u);
  EXPECT_EQ(fitZoom(1767, 1766), 2u);
  EXPECT_EQ(fitZoom(0, 1766), 1u);
  // halving is integer: 3533 / 2 = 1766 fits after one step
  EXPECT_EQ(fitZoom(3533, 1766), 2u);
  EXPECT_EQ(fitZoom(3534, 1766), 4u);
  // an hour at 44100 Hz over 1766 columns
  EXPECT_EQ(fitZoom(158760000u, 1766), 131072u);
}

TEST(PeakArraySizing, GroupSizeFollowsTheCoarsestZoomStep) {
  const int w0 = 1000;
  struct Case {
    std::uint32_t q;  // half the fit zoom
    std::uint32_t group;
  } cases[] = {{64, 16},     {128, 32},      {256, 32},     {512, 64},    {1024, 64},
               {2048, 128},  {4096, 128},    {8192, 256},   {16384, 256}, {32768, 512},
               {65536, 512}, {131072, 1024}, {262144, 1024}};
  for (const auto& c : cases) {
    const std::uint32_t n = c.q * 2 * 1000;  // fits exactly at zoom 2q
    auto sized = sizePeakArray(n, 1, w0, false);
    EXPECT_EQ(sized.framesPerPeak, c.group) << "q=" << c.q;
    EXPECT_EQ(sized.peaks, nullptr) << "no allocation asked";
  }
}

TEST(PeakArraySizing, ShortTracksGetNoArrayAndTheGroupCountRoundsUpOverEveryChannel) {
  // peaks pay off only when the fit zoom reaches 128 frames per column, that is
  // when six halvings still leave more than the pane width
  auto none = sizePeakArray(64u * 1001u - 1, 2, 1000, true);
  EXPECT_EQ(none.peaks, nullptr);
  EXPECT_EQ(none.framesPerPeak, 1u);
  auto first = sizePeakArray(64u * 1001u, 2, 1000, true);
  EXPECT_NE(first.peaks, nullptr);
  EXPECT_EQ(first.framesPerPeak, 16u);

  // 200001 frames over 1000 columns fit at 256: groups of 32, the last one partial
  auto a = sizePeakArray(200001u, 2, 1000, true);
  ASSERT_NE(a.peaks, nullptr);
  EXPECT_EQ(a.framesPerPeak, 32u);
  EXPECT_EQ(a.groupCount, 6251u);
  // the last value of the array is writable (ASan checks the size)
  a.peaks[static_cast<std::size_t>(a.groupCount) * 2 * 2 - 1] = 1;
}
