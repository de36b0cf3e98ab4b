// The live display of a recording: one column per block in the image and on
// the window alike, and the wrap to the left edge over cleared panes.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/test_signals.h"
#include "view/live_display.h"
#include "view_fixture.h"

namespace {

using namespace view;
using viewtest::expectedRow;

class LiveDisplayTest : public viewtest::ViewTest {
 protected:
  static constexpr std::uint32_t BLOCK = 64;
  std::vector<std::int16_t> left = testsignals::whiteNoise(BLOCK * 400, 20000.0, 1);
  std::vector<std::int16_t> right = testsignals::whiteNoise(BLOCK * 400, 9000.0, 2);

  void SetUp() override {
    layOut(viewtest::clientWidthFor(300), 384);
    app.channels = 2;
    app.stereo = true;
    beginLiveDisplay(tv);
  }
  void add(std::uint32_t block) {
    addLiveBlock(tv, app, surface, left.data() + block * BLOCK, right.data() + block * BLOCK,
                 BLOCK);
  }
  // Every pane pixel in the waveform colour is on the window too, and no other.
  void expectWindowMatchesImage() {
    for (const Rect& pane : {tv.geometry.paneA, tv.geometry.paneB})
      for (int y = pane.top; y < pane.bottom; ++y)
        for (int x = pane.left; x < pane.right; ++x)
          ASSERT_EQ(tv.image.pixel(x, y) == COLOUR_WAVE, surface.window.pixel(x, y) == COLOUR_WAVE)
              << x << "," << y;
  }
  int waveColumns(const Rect& pane) const {
    int columns = 0;
    for (int x = pane.left; x < pane.right; ++x)
      for (int y = pane.top; y < pane.bottom; ++y)
        if (tv.image.pixel(x, y) == COLOUR_WAVE) {
          ++columns;
          break;
        }
    return columns;
  }
};

TEST_F(LiveDisplayTest, EachBlockIsOneBarColumnInTheImageAndOnTheWindow) {
  add(0);
  const Rect& a = tv.geometry.paneA;
  const int h = a.height();
  const auto first = std::minmax_element(left.begin(), left.begin() + BLOCK);
  for (int y = a.top; y < a.bottom; ++y) {
    const bool inBar = y >= expectedRow(centreA(), *first.second, h) &&
                       y <= expectedRow(centreA(), *first.first, h) - 1;
    EXPECT_EQ(tv.image.pixel(a.left, y) == COLOUR_WAVE, inBar) << y;
  }
  EXPECT_EQ(tv.live.currentColumn, a.left + 1);
  EXPECT_EQ(tv.live.previousRow[0], expectedRow(centreA(), left[BLOCK - 1], h));
  EXPECT_EQ(tv.live.previousRow[1], expectedRow(centreB(), right[BLOCK - 1], h));
  for (std::uint32_t b = 1; b < 40; ++b) add(b);
  expectWindowMatchesImage();
  EXPECT_EQ(waveColumns(tv.geometry.paneA), 40);
  EXPECT_EQ(waveColumns(tv.geometry.paneB), 40);
  EXPECT_TRUE(surface.invalidated.empty());
}

TEST_F(LiveDisplayTest, SilentBlocksArePointsOnTheCentreRowJoinedToTheBarsAround) {
  std::fill(left.begin() + BLOCK, left.begin() + 3 * BLOCK, 0);
  for (std::uint32_t b = 0; b < 4; ++b) add(b);
  const Rect& a = tv.geometry.paneA;
  EXPECT_EQ(tv.image.pixel(a.left + 1, centreA()), COLOUR_WAVE);
  EXPECT_EQ(tv.image.pixel(a.left + 2, centreA()), COLOUR_WAVE);
  expectWindowMatchesImage();
  // From the point at column 2 the line climbs or falls to the bar's exit row
  // through columns 2 and 3 without a gap.
  const int exit = expectedRow(centreA(), left[4 * BLOCK - 1], a.height());
  for (int y = std::min(exit, centreA()); y <= std::max(exit, centreA()); ++y)
    EXPECT_TRUE(tv.image.pixel(a.left + 2, y) == COLOUR_WAVE ||
                tv.image.pixel(a.left + 3, y) == COLOUR_WAVE)
        << y;
}

TEST_F(LiveDisplayTest, ARecordingLongerThanThePaneWrapsToTheLeftOverClearedPanes) {
  const Rect& a = tv.geometry.paneA;
  const Rect& b = tv.geometry.paneB;
  // Columns left .. right - 2 fill first; the pane's last column is never drawn.
  for (std::uint32_t blk = 0; blk < 299; ++blk) add(blk);
  EXPECT_EQ(tv.live.currentColumn, a.right - 1);
  EXPECT_EQ(waveColumns(a), 299);
  EXPECT_TRUE(surface.invalidated.empty());

  add(299);
  EXPECT_EQ(surface.invalidated, (std::vector<Rect>{a, b}));
  EXPECT_EQ(surface.updates, 1);
  EXPECT_EQ(waveColumns(a), 1);
  EXPECT_EQ(waveColumns(b), 1);
  EXPECT_EQ(tv.live.currentColumn, a.left + 1);
  expectWindowMatchesImage();
  // The cleared panes are plain background apart from the new column (no
  // centre line: the live display draws none).
  for (int y = a.top; y < a.bottom; ++y) EXPECT_NE(tv.image.pixel(a.left + 5, y), COLOUR_BLACK);

  for (std::uint32_t blk = 300; blk < 400; ++blk) add(blk);
  EXPECT_EQ(waveColumns(a), 101);
  expectWindowMatchesImage();
}

}  // namespace
