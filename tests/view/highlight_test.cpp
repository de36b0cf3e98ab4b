// The selection band of the pane backgrounds and switching column highlights
// on and off in place.
#include <gtest/gtest.h>

#include <algorithm>
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
    std::vector<std::int16_t> third(sine.size());
    std::transform(sine.begin(), sine.end(), third.begin(), [](int s) { return s / 3; });
    placeTrack(viewtest::interleave(sine, third), 2, false);  // fits at 32, drawn at 20 a column
  }
  void render() {
    paintBackgrounds(tv, app, true);
    renderTrack(tv, app);
  }
  const Rect& a = tv.geometry.paneA;
  const Rect& b = tv.geometry.paneB;
};

TEST_F(HighlightTest, ASelectionFromTheTrackStartBandsThePaneFromItsLeftEdge) {
  app.selActive = true;
  app.selStart = 0;
  app.selEnd = 600;  // 30 columns at 20 frames each
  render();
  ASSERT_TRUE(tv.selShown);
  EXPECT_EQ(tv.selStartCol, a.left);
  EXPECT_EQ(tv.selEndCol, a.left + 30);
  for (const Rect& pane : {a, b})
    for (int y = pane.top; y < pane.bottom; ++y)
      for (int x = pane.left; x <= a.left + 31; ++x) {
        // Columns 0..30 hold only selected colours (no plain fill at the left
        // edge), column 31 only plain ones; the centre line is black in both.
        const std::uint32_t c = tv.image.pixel(x, y);
        if (x <= a.left + 30)
          ASSERT_TRUE(c == COLOUR_PANE_SELECTED || c == COLOUR_WAVE_SELECTED || c == COLOUR_BLACK)
              << x << "," << y;
        else
          ASSERT_TRUE(c == COLOUR_PANE || c == COLOUR_WAVE || c == COLOUR_BLACK) << x << "," << y;
      }
  EXPECT_EQ(tv.image.pixel(a.left, a.top), COLOUR_PANE_SELECTED);
  EXPECT_EQ(tv.image.pixel(a.left - 1, a.top + 3), COLOUR_BLACK);  // the outline stays
}

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

TEST_F(HighlightTest, OnThenOffRestoresTheExactPixelsAndMatchesAFreshRender) {
  render();
  const Image plain = viewtest::copyOf(tv.image);
  highlightColumns(tv, app, surface, a.left + 80, a.left + 40, true);  // either order
  EXPECT_EQ(surface.invalidated, (std::vector<Rect>{{a.left + 40, a.top, a.left + 81, a.bottom},
                                                    {a.left + 40, b.top, a.left + 81, b.bottom}}));
  EXPECT_EQ(surface.updates, 1);
  for (int y = 0; y < tv.image.height(); ++y)
    for (int x = 0; x < tv.image.width(); ++x) {
      const std::uint32_t was = plain.pixel(x, y);
      const bool swapped = x >= a.left + 40 && x <= a.left + 80 &&
                           ((y >= a.top && y < a.bottom) || (y >= b.top && y < b.bottom));
      std::uint32_t expected = was;
      if (swapped && was == COLOUR_PANE) expected = COLOUR_PANE_SELECTED;
      if (swapped && was == COLOUR_WAVE) expected = COLOUR_WAVE_SELECTED;
      ASSERT_EQ(tv.image.pixel(x, y), expected) << x << "," << y;
    }

  // The same columns selected and drawn afresh look exactly alike.
  app.selActive = true;
  app.selStart = 40 * 20;
  app.selEnd = 80 * 20;
  TrackView fresh;
  ASSERT_TRUE(layoutWindow(fresh, app, tv.image.width(), tv.image.height(), 0, 0));
  paintBackgrounds(fresh, app, true);
  renderTrack(fresh, app);
  EXPECT_EQ(fresh.selStartCol, a.left + 40);
  EXPECT_EQ(fresh.selEndCol, a.left + 80);
  EXPECT_TRUE(fresh.image == tv.image);

  highlightColumns(tv, app, surface, a.left + 40, a.left + 80, false);
  EXPECT_TRUE(tv.image == plain);
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
