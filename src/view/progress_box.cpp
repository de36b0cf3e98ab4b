#include "view/progress_box.h"

#include <cmath>

#include "view/view_constants.h"

namespace view {

void showProgressBox(TrackView& view, WindowSurface& surface) {
  const Layout& g = view.geometry;
  const Rect& outer = g.progressBox;
  if (view.progressSaved.valid() && !view.progressShown) {
    view.image.copyOut(outer.left, outer.top, view.progressSaved);
    view.progressSavedX = outer.left;
    view.progressSavedY = outer.top;
    view.progressShown = true;
  }
  const Rect inner{outer.left + PROGRESS_INNER_INSET, outer.top + PROGRESS_INNER_INSET,
                   outer.right - PROGRESS_INNER_INSET, outer.bottom - PROGRESS_INNER_INSET};
  view.image.fill(inner, COLOUR_PANE);
  view.image.outline(inner, COLOUR_BLACK);
  view.image.outline(outer, COLOUR_BLACK);
  // The bands between the two outlines.
  view.image.fill({outer.left + 1, outer.top + 1, outer.right - 1, inner.top}, COLOUR_FRAME);
  view.image.fill({outer.left + 1, inner.bottom, outer.right - 1, outer.bottom - 1}, COLOUR_FRAME);
  view.image.fill({outer.left + 1, inner.top, inner.left, inner.bottom}, COLOUR_FRAME);
  view.image.fill({inner.right, inner.top, outer.right - 1, inner.bottom}, COLOUR_FRAME);
  view.image.fill(g.progressBar, COLOUR_BLACK);
  surface.invalidate(outer);
  surface.updateWindow();
}

void hideProgressBox(TrackView& view, WindowSurface& surface) {
  if (!view.progressShown) return;
  view.image.copyIn(view.progressSaved, view.progressSavedX, view.progressSavedY);
  view.progressShown = false;
  const Rect area{view.progressSavedX, view.progressSavedY,
                  view.progressSavedX + PROGRESS_BOX_WIDTH,
                  view.progressSavedY + PROGRESS_BOX_HEIGHT};
  surface.invalidate(area);
  surface.updateWindow();
}

void advanceProgressBar(TrackView& view, WindowSurface& surface, double fraction,
                        int& columnsDrawn) {
  const Rect& bar = view.geometry.progressBar;
  const int width = bar.width();
  if (width <= 0 || !(fraction > 0.0)) return;
  const double reached = std::fmin(fraction, 1.0) * width;
  const int firstNew = columnsDrawn;
  while (reached - columnsDrawn >= 1.0 && columnsDrawn < width) {
    const int x = bar.left + columnsDrawn;
    view.image.fill({x, bar.top, x + 1, bar.bottom}, COLOUR_PROGRESS);
    ++columnsDrawn;
  }
  if (columnsDrawn == firstNew) return;
  surface.invalidate({bar.left + firstNew, bar.top, bar.left + columnsDrawn, bar.bottom});
  surface.updateWindow();
}

}  // namespace view
