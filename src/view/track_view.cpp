#include "view/track_view.h"

namespace view {

bool layoutWindow(TrackView& view, state::AppState& app, int clientWidth, int clientHeight,
                  int outerWidth, int outerHeight) {
  if (!view.laidOut) {
    // A missing save area only means the box has nothing to restore from.
    view.progressSaved.create(PROGRESS_BOX_WIDTH, PROGRESS_BOX_HEIGHT);
  }
  app.layoutWidth = outerWidth;
  app.layoutHeight = outerHeight;

  Image fresh;
  if (!fresh.create(clientWidth, clientHeight)) return false;
  view.image = std::move(fresh);
  view.geometry = computeLayout(clientWidth, clientHeight);
  view.cursorStripA = view.geometry.cursorStripA;
  view.cursorStripB = view.geometry.cursorStripB;
  // The new image has no box over it; a later hide must not paste old pixels.
  view.progressShown = false;
  paintChrome(view.image, view.geometry);
  view.laidOut = true;
  return true;
}

void freeDrawingResources(TrackView& view) {
  view.progressSaved.release();
  view.progressShown = false;
  view.image.release();
  view.laidOut = false;
}

void eraseReadouts(state::AppState& app, WindowSurface& surface) {
  for (auto& area : app.readout) {
    if (!area.shown) continue;
    surface.invalidate(area.rect);
    area.shown = false;
  }
}

}  // namespace view
