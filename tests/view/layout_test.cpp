// The client area's geometry and chrome, laying out and re-laying out, the
// off-screen image's clipped copies, and the progress box over the waveform.
#include <gtest/gtest.h>

#include <utility>

#include "support/test_signals.h"
#include "view/layout.h"
#include "view/pane_background.h"
#include "view/progress_box.h"
#include "view/waveform_renderer.h"
#include "view_fixture.h"

namespace {

using namespace view;
using viewtest::runs;
using viewtest::scan;

TEST(LayoutGeometry, ButtonsSitInOneRowCentredOnTheClient) {
  // 672 wide: the first button starts at x = 1 and the last one ends at 673.
  for (auto [width, first] : {std::pair{672, 1}, std::pair{1000, 165}}) {
    const Layout g = computeLayout(width, 500);
    for (int i = 0; i < BUTTON_COUNT; ++i)
      EXPECT_EQ(g.buttons[i], (Rect{first + 96 * i, 468, first + 96 * (i + 1), 500})) << i;
  }
}

TEST(LayoutGeometry, PanesHaveEqualHeightsAroundTheDividerAndTheBoxSitsOnIt) {
  for (int height : {384, 385, 600, 677}) {
    const Layout g = computeLayout(800, height);
    const int half = (height - 88) / 2;
    EXPECT_EQ(g.paneA, (Rect{17, 17, 783, 12 + half}));
    EXPECT_EQ(g.paneB, (Rect{17, height - 68 - half, 783, height - 73}));
    EXPECT_EQ(g.paneB.height(), half - 5);
    EXPECT_EQ(g.divider, (Rect{16, g.paneA.bottom, 784, g.paneB.top}));
    EXPECT_EQ(g.scrollBar, (Rect{8, height - 64, 792, height - 48}));
    const int cy = (g.divider.top + g.divider.bottom) / 2;
    EXPECT_EQ(g.progressBox, (Rect{288, cy - 28, 512, cy + 28}));
    EXPECT_EQ(g.progressBar, (Rect{300, cy - 16, 500, cy + 16}));
  }
}

TEST(LayoutChrome, PaintsMarginsFrameOutlinesDividerAndPanesLeavingNothingUnpainted) {
  Image img;
  ASSERT_TRUE(img.create(700, 400));
  const std::uint32_t unpainted = 0x123456;
  img.fill({0, 0, 700, 400}, unpainted);
  const Layout g = computeLayout(700, 400);  // pane A rows 17..167, pane B rows 176..326
  paintChrome(img, g);
  const std::uint32_t M = COLOUR_MARGIN, F = COLOUR_FRAME, K = COLOUR_BLACK, P = COLOUR_PANE;
  // Across pane A, across the divider, and down through both panes.
  EXPECT_EQ(scan(img, 0, 100, 700, false),
            runs({M, 8, K, 1, F, 7, K, 1, P, 666, K, 1, F, 7, K, 1, M, 8}));
  EXPECT_EQ(scan(img, 0, 169, 700, false), runs({M, 8, K, 1, F, 682, K, 1, M, 8}));
  EXPECT_EQ(scan(img, 300, 0, 400, true), runs({M, 8, K, 1, F,   7, K, 1, P, 151, K, 1, F,
                                                6, K, 1, P, 151, K, 1, F, 7, K,   1, M, 64}));
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 700; ++x) ASSERT_NE(img.pixel(x, y), unpainted) << x << "," << y;
}

class LayoutWindowTest : public viewtest::ViewTest {};

TEST_F(LayoutWindowTest, ARelayoutAfterAResizeRecordsTheSizesAndRepaintsEverything) {
  ASSERT_TRUE(layoutWindow(tv, app, 672, 400, 690, 460));
  const Layout first = tv.geometry;
  tv.cursorStripA = {300, 17, 302, 100};  // a cursor drawn before the resize

  ASSERT_TRUE(layoutWindow(tv, app, 1000, 600, 1018, 660));
  EXPECT_EQ(app.layoutWidth, 1018);
  EXPECT_EQ(app.layoutHeight, 660);
  for (int i = 0; i < BUTTON_COUNT; ++i) {
    EXPECT_EQ(tv.geometry.buttons[i].left - first.buttons[i].left, 164) << i;
    EXPECT_EQ(tv.geometry.buttons[i].top, 600 - 32);
  }
  EXPECT_EQ(tv.cursorStripA, (Rect{17, 17, 19, tv.geometry.paneA.bottom}));
  Image expected;
  ASSERT_TRUE(expected.create(1000, 600));
  paintChrome(expected, computeLayout(1000, 600));
  EXPECT_TRUE(tv.image == expected);
}

TEST_F(LayoutWindowTest, AnImageThatCannotBeCreatedKeepsThePreviousOne) {
  ASSERT_TRUE(layoutWindow(tv, app, 700, 400, 716, 459));
  const Image before = viewtest::copyOf(tv.image);
  EXPECT_FALSE(layoutWindow(tv, app, IMAGE_MAX_SIDE + 1, 400, 40000, 459));
  EXPECT_FALSE(layoutWindow(tv, app, 0, 400, 16, 459));
  EXPECT_TRUE(tv.image == before);
  EXPECT_EQ(tv.geometry.paneA.right, 700 - 17);
}

class ProgressBoxTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    layOut(800, 500);
    placeTrack(testsignals::whiteNoise(20000, 20000.0), 1, false);
    paintBackgrounds(tv, app, true);
    renderTrack(tv, app);
  }
};

TEST_F(ProgressBoxTest, ShowThenHideLeavesTheImageByteIdentical) {
  const Image before = viewtest::copyOf(tv.image);
  const Rect box = tv.geometry.progressBox;
  showProgressBox(tv, surface);
  EXPECT_EQ(surface.invalidated, std::vector<Rect>{box});
  EXPECT_EQ(surface.updates, 1);
  // Outer outline, band, inner outline, empty inner area, the black bar.
  const std::uint32_t F = COLOUR_FRAME, K = COLOUR_BLACK, P = COLOUR_PANE;
  const int cx = tv.geometry.progressCentreX, cy = tv.geometry.progressCentreY;
  EXPECT_EQ(scan(tv.image, box.left, cy, 224, false),
            runs({K, 1, F, 3, K, 1, P, 7, K, 200, P, 7, K, 1, F, 3, K, 1}));
  EXPECT_EQ(scan(tv.image, cx, box.top, 56, true),
            runs({K, 1, F, 3, K, 1, P, 7, K, 32, P, 7, K, 1, F, 3, K, 1}));

  // Half the bar, then past the end: the bar fills only its own 200 columns.
  int drawn = 0;
  advanceProgressBar(tv, surface, 0.5, drawn);
  EXPECT_EQ(drawn, 100);
  EXPECT_EQ(scan(tv.image, cx - 100, cy, 200, false), runs({COLOUR_PROGRESS, 100, K, 100}));
  advanceProgressBar(tv, surface, 2.0, drawn);
  EXPECT_EQ(drawn, 200);
  EXPECT_EQ(surface.invalidated.back(), (Rect{cx, cy - 16, cx + 100, cy + 16}));
  EXPECT_EQ(tv.image.pixel(cx + 100, cy), P);

  surface.invalidated.clear();
  hideProgressBox(tv, surface);
  EXPECT_TRUE(tv.image == before);
  EXPECT_EQ(surface.invalidated, std::vector<Rect>{box});
  hideProgressBox(tv, surface);  // nothing left to restore
  EXPECT_TRUE(tv.image == before);
  EXPECT_EQ(surface.invalidated.size(), 1u);
}

TEST_F(ProgressBoxTest, ARelayoutWhileShownDropsTheSavedPixelsAndABoxWiderThanTheWindowIsClipped) {
  showProgressBox(tv, surface);
  for (auto [width, height] : {std::pair{900, 520}, std::pair{180, 120}}) {
    ASSERT_TRUE(layoutWindow(tv, app, width, height, width + 16, height + 59));
    const Image fresh = viewtest::copyOf(tv.image);
    hideProgressBox(tv, surface);  // nothing saved from the old image
    EXPECT_TRUE(tv.image == fresh);
    showProgressBox(tv, surface);
    hideProgressBox(tv, surface);
    EXPECT_TRUE(tv.image == fresh) << width;
    showProgressBox(tv, surface);
  }
}

}  // namespace
