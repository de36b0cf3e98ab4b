#include "view/pane_background.h"

#include "view/column_mapping.h"
#include "view/view_constants.h"

namespace view {

bool computeSelectionColumns(TrackView& view, const state::AppState& app) {
  const Rect& pane = view.geometry.paneA;
  int start = frameToColumn(app, pane, app.selStart);
  int end = frameToColumn(app, pane, app.selEnd);
  if (start == COLUMN_AFTER_VIEW || end == COLUMN_BEFORE_VIEW) return false;
  if (start == COLUMN_BEFORE_VIEW) start = pane.left;
  // The track's end can round to the column right of the pane, which is the
  // inner box's outline: keep the band inside the pane.
  if (end == COLUMN_AFTER_VIEW || end > pane.right - 1) end = pane.right - 1;
  if (start > pane.right - 1) start = pane.right - 1;
  view.selStartCol = start;
  view.selEndCol = end;
  view.selShown = true;
  return true;
}

namespace {

void paintPane(Image& image, const Rect& pane, const TrackView& view) {
  if (!view.selShown) {
    image.fill(pane, COLOUR_PANE);
    return;
  }
  image.fill({view.selStartCol, pane.top, view.selEndCol + 1, pane.bottom}, COLOUR_PANE_SELECTED);
  if (view.selStartCol > pane.left)
    image.fill({pane.left, pane.top, view.selStartCol, pane.bottom}, COLOUR_PANE);
  if (view.selEndCol < pane.right - 1)
    image.fill({view.selEndCol + 1, pane.top, pane.right, pane.bottom}, COLOUR_PANE);
}

}  // namespace

void paintBackgrounds(TrackView& view, const state::AppState& app, bool alsoB) {
  view.selShown = false;
  if (app.selActive) computeSelectionColumns(view, app);
  paintPane(view.image, view.geometry.paneA, view);
  if (alsoB) paintPane(view.image, view.geometry.paneB, view);
}

void invalidatePanes(const TrackView& view, WindowSurface& surface, bool alsoB) {
  surface.invalidate(view.geometry.paneA);
  if (alsoB) surface.invalidate(view.geometry.paneB);
  surface.updateWindow();
}

}  // namespace view
