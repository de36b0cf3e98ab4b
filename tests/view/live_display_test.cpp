// What is drawn straight onto the window: the live display of a recording (one
// column per block, in the image and on the window alike, wrapping to the left
// edge over cleared panes) and the play cursor, erased by its strips.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/test_signals.h"
#include "view/live_display.h"
#include "view/play_cursor.h"
#include "view_fixture.h"

namespace {

using namespace view;
using viewtest::expectedRow;

class LiveDisplayTest : public viewtest::ViewTest {
 protected:
  static constexpr std::uint32_t BLOCK = 64;
  std::vector<std::int16_t> left = testsignals::whiteNoise(BLOCK * 400, 20000.0, 1);
  std::vector<std::int16_t> right = testsignals::whiteNoise(BLOCK * 400, 9000.0, 2);
  const Rect& a = tv.geometry.paneA;
  const Rect& b = tv.geometry.paneB;

  void SetUp() override {
    layOut();
    app.channels = 2;
    app.stereo = true;
    beginLiveDisplay(tv);
  }
  void add(std::uint32_t first, std::uint32_t end) {
    for (std::uint32_t block = first; block < end; ++block)
      addLiveBlock(tv, app, surface, left.data() + block * BLOCK, right.data() + block * BLOCK,
                   BLOCK);
  }
  // Every pane pixel in the waveform colour is on the window too, and no other.
  void expectWindowMatchesImage() {
    for (const Rect& pane : {a, b})
      for (int y = pane.top; y < pane.bottom; ++y)
        for (int x = pane.left; x < pane.right; ++x)
          ASSERT_EQ(tv.image.pixel(x, y) == COLOUR_WAVE, surface.window.pixel(x, y) == COLOUR_WAVE)
              << x << "," << y;
  }
  int waveColumns(const Rect& pane) const {
    int columns = 0;
    for (int x = pane.left; x < pane.right; ++x)
      columns += !viewtest::rowsOf(tv.image, x, pane.top, pane.bottom, COLOUR_WAVE).empty();
    return columns;
  }
};

TEST_F(LiveDisplayTest, EachBlockIsOneColumnInTheImageAndOnTheWindowQuietOnesArePoints) {
  std::fill(left.begin() + BLOCK, left.begin() + 3 * BLOCK, 0);  // blocks 1 and 2 are silent
  left[4 * BLOCK - 1] = 20000;                                   // block 3 leaves at +20000
  add(0, 1);
  const int h = a.height(), c = centreA();
  const auto [lo, hi] = std::minmax_element(left.begin(), left.begin() + BLOCK);
  EXPECT_EQ(viewtest::rowsOf(tv.image, a.left, a.top, a.bottom, COLOUR_WAVE),
            viewtest::range(expectedRow(c, *hi, h), expectedRow(c, *lo, h) - 1));

  add(1, 40);
  EXPECT_EQ(tv.image.pixel(a.left + 1, c), COLOUR_WAVE);
  // The second point carries the half of the climb to block 3's exit row that
  // lies nearest the centre.
  const int exit = expectedRow(c, 20000, h);
  EXPECT_EQ(viewtest::rowsOf(tv.image, a.left + 2, a.top, a.bottom, COLOUR_WAVE),
            viewtest::range(exit + (c - exit) / 2, c));
  expectWindowMatchesImage();
  EXPECT_EQ(waveColumns(a), 40);
  EXPECT_EQ(waveColumns(b), 40);
  EXPECT_TRUE(surface.invalidated.empty());
}

TEST_F(LiveDisplayTest, ARecordingLongerThanThePaneWrapsToTheLeftOverClearedPanes) {
  // Columns left .. right - 2 fill first; the pane's last column is never drawn.
  add(0, 299);
  EXPECT_EQ(waveColumns(a), 299);
  EXPECT_TRUE(surface.invalidated.empty());

  add(299, 300);
  EXPECT_EQ(surface.invalidated, (std::vector<Rect>{a, b}));
  EXPECT_EQ(surface.updates, 1);
  EXPECT_EQ(waveColumns(a), 1);
  EXPECT_EQ(waveColumns(b), 1);
  expectWindowMatchesImage();

  add(300, 400);
  EXPECT_EQ(waveColumns(a), 101);
  expectWindowMatchesImage();
}

TEST_F(LiveDisplayTest, PlayCursorIsDrawnOnTheWindowOnlyAndErasedByItsStrips) {
  const Image before = viewtest::copyOf(tv.image);
  for (bool stereo : {false, true}) {
    app.stereo = stereo;
    surface.cursorLines.clear();
    surface.invalidated.clear();
    drawPlayCursor(tv, app, surface, 120);
    EXPECT_TRUE(tv.image == before);
    erasePlayCursor(tv, app, surface);
    std::vector<std::array<int, 3>> lines{{120, a.top, a.bottom}, {120, b.top, b.bottom}};
    std::vector<Rect> strips{{119, a.top, 121, a.bottom}, {119, b.top, 121, b.bottom}};
    lines.resize(stereo ? 2 : 1);
    strips.resize(stereo ? 2 : 1);
    EXPECT_EQ(surface.cursorLines, lines);
    EXPECT_EQ(surface.invalidated, strips);
  }
  EXPECT_EQ(surface.updates, 2);
}

}  // namespace
