// The progress box over the waveform, its bar, and the play cursor drawn on the window.
#include <gtest/gtest.h>

#include "support/test_signals.h"
#include "view/pane_background.h"
#include "view/play_cursor.h"
#include "view/progress_box.h"
#include "view/waveform_renderer.h"
#include "view_fixture.h"

namespace {

using namespace view;

class ProgressBoxTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    layOut(800, 500);
    placeTrack(testsignals::whiteNoise(20000, 20000.0), 1, false);
    app.stereo = false;
    paintBackgrounds(tv, app, true);
    renderTrack(tv, app);
  }
  Image snapshot() const {
    Image copy;
    copy.create(tv.image.width(), tv.image.height());
    copy.copyIn(tv.image, 0, 0);
    return copy;
  }
};

TEST_F(ProgressBoxTest, ShowThenHideLeavesTheImageByteIdentical) {
  const Image before = snapshot();
  const Rect box = tv.geometry.progressBox;
  showProgressBox(tv, surface);
  EXPECT_EQ(surface.invalidated, std::vector<Rect>{box});
  EXPECT_EQ(surface.updates, 1);
  const int cx = tv.geometry.progressCentreX, cy = tv.geometry.progressCentreY;
  EXPECT_EQ(tv.image.pixel(cx - 112, cy - 28), COLOUR_BLACK);  // outer outline
  EXPECT_EQ(tv.image.pixel(cx + 111, cy + 27), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(cx - 110, cy), COLOUR_FRAME);       // band
  EXPECT_EQ(tv.image.pixel(cx - 108, cy - 24), COLOUR_BLACK);  // inner outline
  EXPECT_EQ(tv.image.pixel(cx - 104, cy), COLOUR_PANE);
  EXPECT_EQ(tv.image.pixel(cx - 100, cy - 16), COLOUR_BLACK);  // bar
  EXPECT_EQ(tv.image.pixel(cx + 99, cy + 15), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(cx, cy + 18), COLOUR_PANE);
  // Nothing outside the box changed.
  for (int y = 0; y < tv.image.height(); ++y)
    for (int x = 0; x < tv.image.width(); ++x)
      if (!box.contains(x, y)) {
        ASSERT_EQ(tv.image.pixel(x, y), before.pixel(x, y));
      }

  int drawn = 0;
  advanceProgressBar(tv, surface, 0.5, drawn);
  EXPECT_EQ(drawn, 100);
  EXPECT_EQ(tv.image.pixel(cx - 1, cy), COLOUR_PROGRESS);
  EXPECT_EQ(tv.image.pixel(cx, cy), COLOUR_BLACK);
  advanceProgressBar(tv, surface, 2.0, drawn);
  EXPECT_EQ(drawn, 200);
  EXPECT_EQ(surface.invalidated.back(), (Rect{cx, cy - 16, cx + 100, cy + 16}));

  surface.clear();
  hideProgressBox(tv, surface);
  EXPECT_TRUE(tv.image == before);
  EXPECT_EQ(surface.invalidated, std::vector<Rect>{box});
  // A second hide has nothing to restore and changes nothing.
  hideProgressBox(tv, surface);
  EXPECT_TRUE(tv.image == before);
  EXPECT_EQ(surface.invalidated.size(), 1u);
}

TEST_F(ProgressBoxTest, ARelayoutWhileShownDropsTheSavedPixels) {
  showProgressBox(tv, surface);
  ASSERT_TRUE(layoutWindow(tv, app, 900, 520, 916, 579));
  const Image fresh = snapshot();
  hideProgressBox(tv, surface);
  EXPECT_TRUE(tv.image == fresh);
}

TEST_F(ProgressBoxTest, PlayCursorIsDrawnOnTheWindowAndErasedByItsStrips) {
  const Image before = snapshot();
  const Rect& a = tv.geometry.paneA;
  const Rect& b = tv.geometry.paneB;
  drawPlayCursor(tv, app, surface, 120);
  EXPECT_EQ(surface.cursorLines, (std::vector<viewtest::CursorLine>{{120, a.top, a.bottom}}));
  EXPECT_TRUE(tv.image == before);  // never into the image
  erasePlayCursor(tv, app, surface);
  EXPECT_EQ(surface.invalidated, (std::vector<Rect>{{119, a.top, 121, a.bottom}}));
  EXPECT_EQ(surface.updates, 1);

  app.stereo = true;
  surface.clear();
  drawPlayCursor(tv, app, surface, 300);
  erasePlayCursor(tv, app, surface);
  EXPECT_EQ(surface.cursorLines,
            (std::vector<viewtest::CursorLine>{{300, a.top, a.bottom}, {300, b.top, b.bottom}}));
  EXPECT_EQ(surface.invalidated,
            (std::vector<Rect>{{299, a.top, 301, a.bottom}, {299, b.top, 301, b.bottom}}));
}

}  // namespace
