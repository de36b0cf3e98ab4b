// The client area's geometry and chrome, laying out and re-laying out, and the
// off-screen image's clipping and copies.
#include <gtest/gtest.h>

#include "view/image.h"
#include "view/layout.h"
#include "view_fixture.h"

namespace {

using namespace view;
using state::Rect;

TEST(LayoutGeometry, ButtonRowOfAClient672WideSpansColumns1To673) {
  const Layout g = computeLayout(672, 500);
  EXPECT_EQ(g.buttons[0].left, 1);
  EXPECT_EQ(g.buttons[6].right, 673);
  for (int i = 0; i < BUTTON_COUNT; ++i) {
    EXPECT_EQ(g.buttons[i].width(), 96);
    EXPECT_EQ(g.buttons[i].height(), 32);
    EXPECT_EQ(g.buttons[i].top, 500 - 32);
    if (i > 0) {
      EXPECT_EQ(g.buttons[i].left, g.buttons[i - 1].right);
    }
  }
  // Wider clients centre the row.
  const Layout wide = computeLayout(1000, 500);
  EXPECT_EQ(wide.buttons[0].left, 165);
  EXPECT_EQ(wide.buttons[6].right, 165 + 672);
}

TEST(LayoutGeometry, PanesShareWidthAndHaveEqualHeightHalfMinusFive) {
  for (int height : {384, 385, 600, 677}) {
    const Layout g = computeLayout(800, height);
    const int half = ((height - 72) - 16) / 2;
    EXPECT_EQ(g.half, half);
    EXPECT_EQ(g.paneA, (Rect{17, 17, 783, 12 + half}));
    EXPECT_EQ(g.paneB, (Rect{17, height - 68 - half, 783, height - 73}));
    EXPECT_EQ(g.paneA.height(), half - 5);
    EXPECT_EQ(g.paneB.height(), half - 5);
    EXPECT_EQ(g.divider, (Rect{16, g.paneA.bottom, 784, g.paneB.top}));
    EXPECT_EQ(g.frame, (Rect{8, 8, 792, height - 64}));
    EXPECT_EQ(g.scrollBar, (Rect{8, height - 64, 792, height - 48}));
    EXPECT_EQ(g.progressBox.width(), 224);
    EXPECT_EQ(g.progressBox.height(), 56);
    EXPECT_EQ(g.progressBox.left + 112, 400);
    EXPECT_EQ(g.progressBox.top + 28, (g.divider.top + g.divider.bottom) / 2);
    EXPECT_EQ(g.progressBar,
              (Rect{400 - 100, g.progressBox.top + 12, 400 + 100, g.progressBox.bottom - 12}));
  }
}

TEST(LayoutChrome, PaintsMarginsFrameOutlinesDividerAndPanes) {
  Image img;
  ASSERT_TRUE(img.create(700, 400));
  const Layout g = computeLayout(700, 400);
  paintChrome(img, g);
  const int b = 400, r = 700;
  struct Probe {
    int x, y;
    std::uint32_t colour;
  };
  const Probe probes[] = {
      {0, 0, COLOUR_MARGIN},
      {7, 200, COLOUR_MARGIN},
      {r - 1, 200, COLOUR_MARGIN},
      {300, b - 1, COLOUR_MARGIN},
      {300, b - 64, COLOUR_MARGIN},  // under the frame
      {8, 8, COLOUR_BLACK},
      {300, 8, COLOUR_BLACK},
      {r - 9, 100, COLOUR_BLACK},
      {300, b - 65, COLOUR_BLACK},
      {9, 9, COLOUR_FRAME},
      {15, 100, COLOUR_FRAME},
      {r - 10, 100, COLOUR_FRAME},
      {300, b - 66, COLOUR_FRAME},
      {300, 15, COLOUR_FRAME},
      {16, 16, COLOUR_BLACK},
      {16, 100, COLOUR_BLACK},
      {r - 17, 100, COLOUR_BLACK},
      {300, b - 73, COLOUR_BLACK},
      {17, 17, COLOUR_PANE},
      {r - 18, g.paneA.bottom - 1, COLOUR_PANE},
      {17, g.paneB.top, COLOUR_PANE},
      {r - 18, b - 74, COLOUR_PANE},
      // the black rows under pane A and over pane B, then grey divider between
      {16, g.paneA.bottom, COLOUR_BLACK},
      {r - 17, g.paneA.bottom, COLOUR_BLACK},
      {300, g.paneB.top - 1, COLOUR_BLACK},
      {300, g.paneA.bottom + 1, COLOUR_FRAME},
      {16, g.paneA.bottom + 1, COLOUR_FRAME},
      {r - 16, g.paneA.bottom + 1, COLOUR_FRAME},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(img.pixel(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
  // Nothing is left unpainted or painted in a stray colour.
  std::size_t other = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const std::uint32_t c = img.pixel(x, y);
      if (c != COLOUR_MARGIN && c != COLOUR_FRAME && c != COLOUR_BLACK && c != COLOUR_PANE) ++other;
    }
  EXPECT_EQ(other, 0u);
}

class LayoutWindowTest : public viewtest::ViewTest {};

TEST_F(LayoutWindowTest, RecordsSizesAndRelaysOutAfterAResize) {
  ASSERT_TRUE(layoutWindow(tv, app, 672, 400, 690, 460));
  EXPECT_EQ(app.layoutWidth, 690);
  EXPECT_EQ(app.layoutHeight, 460);
  EXPECT_EQ(tv.image.width(), 672);
  EXPECT_EQ(tv.image.height(), 400);
  EXPECT_TRUE(tv.progressSaved.valid());
  const Layout first = tv.geometry;

  ASSERT_TRUE(layoutWindow(tv, app, 1000, 600, 1018, 660));
  EXPECT_EQ(app.layoutWidth, 1018);
  EXPECT_EQ(tv.image.width(), 1000);
  EXPECT_EQ(tv.image.height(), 600);
  EXPECT_EQ(tv.geometry.paneA.right, 1000 - 17);
  for (int i = 0; i < BUTTON_COUNT; ++i) {
    EXPECT_EQ(tv.geometry.buttons[i].left - first.buttons[i].left, 164) << i;
    EXPECT_EQ(tv.geometry.buttons[i].top, 600 - 32);
  }
  EXPECT_EQ(tv.cursorStripA, (Rect{17, 17, 19, tv.geometry.paneA.bottom}));
  EXPECT_EQ(tv.image.pixel(999, 599), COLOUR_MARGIN);
  EXPECT_EQ(tv.image.pixel(500, 100), COLOUR_PANE);
}

TEST_F(LayoutWindowTest, AnImageThatCannotBeCreatedKeepsThePreviousOne) {
  ASSERT_TRUE(layoutWindow(tv, app, 700, 400, 716, 459));
  const Image before = [&] {
    Image copy;
    copy.create(700, 400);
    copy.copyIn(tv.image, 0, 0);
    return copy;
  }();
  EXPECT_FALSE(layoutWindow(tv, app, IMAGE_MAX_SIDE + 1, 400, 40000, 459));
  EXPECT_FALSE(layoutWindow(tv, app, 0, 400, 16, 459));
  EXPECT_TRUE(tv.image == before);
  EXPECT_EQ(tv.geometry.paneA.right, 700 - 17);
}

TEST(ImageBuffer, CopiesOutAndInClipToTheImage) {
  Image img;
  ASSERT_TRUE(img.create(10, 6));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) img.setPixel(x, y, static_cast<std::uint32_t>(y * 10 + x));
  Image part;
  ASSERT_TRUE(part.create(4, 3));
  part.fill({-2, -2, 9, 9}, 0xABCDEF);
  img.copyOut(8, 4, part);  // only 2 x 2 of it lies in the image
  EXPECT_EQ(part.pixel(0, 0), 48u);
  EXPECT_EQ(part.pixel(1, 1), 59u);
  EXPECT_EQ(part.pixel(2, 0), 0xABCDEFu);
  img.copyIn(part, -1, -1);
  EXPECT_EQ(img.pixel(0, 0), 59u);
  EXPECT_EQ(img.pixel(1, 0), 0xABCDEFu);
  EXPECT_EQ(img.pixel(3, 0), 3u);
}

}  // namespace
