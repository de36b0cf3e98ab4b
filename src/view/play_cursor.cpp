#include "view/play_cursor.h"

namespace view {

void drawPlayCursor(TrackView& view, const state::AppState& app, WindowSurface& surface, int x) {
  const Rect& a = view.geometry.paneA;
  const Rect& b = view.geometry.paneB;
  surface.drawCursorLine(x, a.top, a.bottom);
  if (app.stereo) surface.drawCursorLine(x, b.top, b.bottom);
  view.cursorStripA = {x - 1, a.top, x + 1, a.bottom};
  view.cursorStripB = {x - 1, b.top, x + 1, b.bottom};
}

void erasePlayCursor(const TrackView& view, const state::AppState& app, WindowSurface& surface) {
  surface.invalidate(view.cursorStripA);
  if (app.stereo) surface.invalidate(view.cursorStripB);
  surface.updateWindow();
}

}  // namespace view
