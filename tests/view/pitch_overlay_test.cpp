// The pitch curve over a pane: a steady note is a horizontal line on its
// note's row, unvoiced stretches stay empty, the grid and names never cover
// the waveform, and the curve from before a tuning is drawn in its own colour.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "support/test_signals.h"
#include "view/column_mapping.h"
#include "view/pane_background.h"
#include "view/pitch_overlay.h"
#include "view/view_fixture.h"
#include "view/waveform_renderer.h"

namespace {

using viewtest::ViewTest;

class PitchOverlayTest : public ViewTest {
 protected:
  // A track of `hops` hops whose curve is voiced at `semitones` on hops
  // [first, end) and unvoiced elsewhere.
  void placeCurve(std::uint32_t hops, std::uint32_t first, std::uint32_t end, float semitones) {
    layOut();
    placeTrack(testsignals::sine(440.0, hops * state::PITCH_HOP_FRAMES, 9000.0), 1, true);
    const std::lock_guard<std::mutex> hold(app.pitch.lock);
    app.pitch.frames = app.frameCount;
    app.pitch.channels = 1;
    app.pitch.current[0].assign(hops, state::PitchPoint{});
    for (std::uint32_t k = first; k < end; ++k) app.pitch.current[0][k] = {semitones, 0.95f, true};
  }
  view::Image render(bool shown) {
    app.pitch.shown = shown;
    view::paintBackgrounds(tv, app, false);
    view::renderTrack(tv, app);
    return viewtest::copyOf(tv.image);
  }
  // Columns of pane A holding a pixel of `colour`, and the rows they hold it on.
  void find(const view::Image& img, std::uint32_t colour, std::set<int>& columns,
            std::set<int>& rows) const {
    const state::Rect& pane = tv.geometry.paneA;
    for (int y = pane.top; y < pane.bottom; ++y)
      for (int x = pane.left; x < pane.right; ++x)
        if (img.pixel(x, y) == colour) columns.insert(x), rows.insert(y);
  }
};

TEST_F(PitchOverlayTest, SteadyNoteIsAHorizontalLineOnItsRowAtEveryZoom) {
  struct Case {
    const char* zoom;
    std::uint32_t framesPerPixel;  // 0: the fit zoom
    std::uint32_t firstFrame;      // of the view, when zoomed in
  };
  const Case cases[] = {
      {"fit", 0, 0},
      {"256 frames a column", 256, 100 * state::PITCH_HOP_FRAMES},
      {"one frame a column, inside the note", 1, 150 * state::PITCH_HOP_FRAMES},
  };
  constexpr std::uint32_t HOPS = 300, FIRST = 100, END = 200;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    placeCurve(HOPS, FIRST, END, 3.0f);  // C5
    if (c.framesPerPixel != 0) {
      app.framesPerPixel = c.framesPerPixel;
      app.scrollPos = static_cast<std::int32_t>(c.firstFrame / c.framesPerPixel);
    }
    const view::Image plain = render(false);
    const view::Image drawn = render(true);
    const state::Rect& pane = tv.geometry.paneA;

    std::set<int> columns, rows;
    find(drawn, view::COLOUR_PITCH, columns, rows);
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(rows, std::set<int>{view::noteScaleFor(pane, 3.0f, 3.0f).row(3.0f)});
    // Only the voiced hops' columns, give or take the column at each end.
    const int from =
        std::max(view::frameToColumn(app, pane, FIRST * state::PITCH_HOP_FRAMES), pane.left);
    const int to = view::frameToColumn(app, pane, (END - 1) * state::PITCH_HOP_FRAMES);
    EXPECT_LE(std::abs(*columns.begin() - from), 1);
    const int last = to >= 0 ? to : pane.right - 1;  // past the view: to its edge
    EXPECT_LE(std::abs(*columns.rbegin() - last), 1);

    // The overlay changes pixels only to its own colours, and covers the
    // waveform with the curve alone.
    const std::set<std::uint32_t> overlayColours{
        view::COLOUR_PITCH,     view::COLOUR_PITCH_EDGE,
        view::COLOUR_SEMITONE,  view::COLOUR_SEMITONE_ALLOWED,
        view::COLOUR_NOTE_NAME, view::COLOUR_NOTE_NAME_ALLOWED};
    int changed = 0;
    for (int y = 0; y < drawn.height(); ++y) {
      for (int x = 0; x < drawn.width(); ++x) {
        const std::uint32_t before = plain.pixel(x, y), after = drawn.pixel(x, y);
        if (before == after) continue;
        ++changed;
        ASSERT_TRUE(pane.contains(x, y));
        ASSERT_TRUE(overlayColours.count(after)) << std::hex << after;
        if (before != view::COLOUR_PANE) {
          ASSERT_TRUE(after == view::COLOUR_PITCH || after == view::COLOUR_PITCH_EDGE);
        }
      }
    }
    EXPECT_GT(changed, static_cast<int>(columns.size()));
  }
}

TEST_F(PitchOverlayTest, UnvoicedCurveDrawsNothingAndTheOldCurveHasItsOwnColour) {
  placeCurve(300, 0, 0, 0.0f);
  EXPECT_TRUE(render(false) == render(true));

  // A tuning moved hops 100..199 from -1 to 0 semitones, and allowed A.
  placeCurve(300, 100, 200, 0.0f);
  {
    const std::lock_guard<std::mutex> hold(app.pitch.lock);
    app.pitch.before[0].firstHop = 100;
    app.pitch.before[0].points.assign(100, state::PitchPoint{-1.0f, 0.95f, true});
    app.pitch.allowed[0] = true;
  }
  const view::Image drawn = render(true);
  const state::Rect& pane = tv.geometry.paneA;
  const view::NoteScale scale = view::noteScaleFor(pane, -1.0f, 0.0f);
  std::set<int> columns, rows, oldColumns, oldRows;
  find(drawn, view::COLOUR_PITCH, columns, rows);
  find(drawn, view::COLOUR_PITCH_BEFORE, oldColumns, oldRows);
  EXPECT_EQ(rows, std::set<int>{scale.row(0.0f)});
  EXPECT_EQ(oldRows, std::set<int>{scale.row(-1.0f)});
  EXPECT_EQ(oldColumns, columns);
  // A's line is in the allowed colour where nothing covers it; Ab's is not.
  auto rowHolds = [&](int y, std::uint32_t colour) {
    for (int x = pane.left; x < pane.right; ++x)
      if (drawn.pixel(x, y) == colour) return true;
    return false;
  };
  EXPECT_TRUE(rowHolds(scale.row(0.0f), view::COLOUR_SEMITONE_ALLOWED));
  EXPECT_FALSE(rowHolds(scale.row(0.0f), view::COLOUR_SEMITONE));
  EXPECT_TRUE(rowHolds(scale.row(-1.0f), view::COLOUR_SEMITONE));
  EXPECT_FALSE(rowHolds(scale.row(-1.0f), view::COLOUR_SEMITONE_ALLOWED));
}

}  // namespace
