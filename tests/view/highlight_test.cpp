// The selection band of the pane backgrounds and switching column highlights
// on and off in place.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/test_signals.h"
#include "view/highlight.h"
#include "view/pane_background.h"
#include "view/waveform_renderer.h"
#include "view_fixture.h"

namespace {

using namespace view;

class HighlightTest : public viewtest::ViewTest {
 protected:
  void SetUp() override {
    layOut();
    const auto sine = testsignals::sine(441.0, 6000, 25000.0);
    placeTrack(viewtest::withScaledCopy(sine, 1.0 / 3), 2, false);  // 20 frames a column
  }
  void render() {
    paintBackgrounds(tv, app, true);
    renderTrack(tv, app);
  }
  const Rect& a = tv.geometry.paneA;
  const Rect& b = tv.geometry.paneB;
};

TEST_F(HighlightTest, SelectionColumnsClipToTheViewAndStayInsideThePane) {
  app.framesPerPixel = 4;  // zoomed in: frames 400.. in view
  app.scrollPos = 100;
  app.selActive = true;
  app.selStart = 100;  // before the view
  app.selEnd = 5000;   // after it
  ASSERT_TRUE(computeSelectionColumns(tv, app));
  EXPECT_EQ(tv.selStartCol, a.left);
  EXPECT_EQ(tv.selEndCol, a.right - 1);

  app.selStart = 2000;  // wholly after the view
  tv.selShown = false;
  EXPECT_FALSE(computeSelectionColumns(tv, app));
  EXPECT_FALSE(tv.selShown);
  render();
  EXPECT_EQ(tv.image.pixel(a.left + 100, a.top), COLOUR_PANE);

  // At the fit zoom the track's end maps to the column right of the pane; the
  // band still ends at the pane's last column and the outline stays black.
  app.framesPerPixel = app.fitFramesPerPixel;
  app.scrollPos = 0;
  app.selStart = 3000;
  app.selEnd = 6000;
  render();
  EXPECT_EQ(tv.selEndCol, a.right - 1);
  EXPECT_EQ(tv.image.pixel(a.right - 1, a.top), COLOUR_PANE_SELECTED);
  EXPECT_EQ(tv.image.pixel(a.right, a.top), COLOUR_BLACK);
}

TEST_F(HighlightTest, OnThenOffRestoresTheExactPixelsAndMatchesAFreshRenderOfTheSelection) {
  render();
  const Image plain = viewtest::copyOf(tv.image);
  // Columns 40..80, then a selection from the track start, whose band must
  // begin at the pane's left edge with no plain fill left of it.
  for (auto [first, last] : {std::pair{40, 80}, std::pair{0, 30}}) {
    surface.invalidated.clear();
    highlightColumns(tv, app, surface, a.left + last, a.left + first, true);  // either order
    EXPECT_EQ(surface.invalidated,
              (std::vector<Rect>{{a.left + first, a.top, a.left + last + 1, a.bottom},
                                 {a.left + first, b.top, a.left + last + 1, b.bottom}}));

    app.selActive = true;
    app.selStart = first * 20;  // 20 frames a column
    app.selEnd = last * 20;
    TrackView fresh;
    ASSERT_TRUE(layoutWindow(fresh, app, tv.image.width(), tv.image.height(), 0, 0));
    paintBackgrounds(fresh, app, true);
    renderTrack(fresh, app);
    EXPECT_EQ(fresh.selStartCol, a.left + first);
    EXPECT_EQ(fresh.selEndCol, a.left + last);
    EXPECT_TRUE(fresh.image == tv.image) << first;

    highlightColumns(tv, app, surface, a.left + first, a.left + last, false);
    EXPECT_TRUE(tv.image == plain);
    app.selActive = false;
  }
  EXPECT_EQ(surface.updates, 4);
}

TEST_F(HighlightTest, MonoTracksTouchOnlyPaneAAndColumnsOutsideThePaneAreIgnored) {
  app.stereo = false;
  render();
  const Image before = viewtest::copyOf(tv.image);
  highlightColumns(tv, app, surface, a.left - 5, a.left + 2, true);
  EXPECT_EQ(surface.invalidated, std::vector<Rect>{(Rect{a.left, a.top, a.left + 3, a.bottom})});
  EXPECT_EQ(tv.image.pixel(a.left - 1, a.top), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(a.left, b.top), COLOUR_PANE);
  highlightColumns(tv, app, surface, a.left - 5, a.left + 2, false);
  EXPECT_TRUE(tv.image == before);
}

}  // namespace
