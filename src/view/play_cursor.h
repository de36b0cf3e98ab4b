// The play cursor: drawn straight onto the window (never into the image) and
// erased by repainting its strips from the image.
#pragma once

#include "state/app_state.h"
#include "view/track_view.h"
#include "view/window_surface.h"

namespace view {

// Draws the cursor at column x over pane A (and pane B when stereo) and
// remembers its strips.
void drawPlayCursor(TrackView& view, const state::AppState& app, WindowSurface& surface, int x);
// Invalidates the strips where the cursor was drawn and updates the window.
void erasePlayCursor(const TrackView& view, const state::AppState& app, WindowSurface& surface);

}  // namespace view
