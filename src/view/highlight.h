// Switching the highlight of selected columns on and off by swapping the
// background and waveform colours for their selected versions in place, so a
// selection drag repaints only the columns whose state changes.
#pragma once

#include "state/app_state.h"
#include "view/track_view.h"
#include "view/window_surface.h"

namespace view {

// Columns a to b inclusive (either order, clipped to the pane) of pane A's
// rows, and pane B's when stereo: on swaps 0x004040 -> 0x404000 and
// 0x00F0F0 -> 0xF0F000, off the reverse; other colours stay. Invalidates
// those columns and updates the window.
void highlightColumns(TrackView& view, const state::AppState& app, WindowSurface& surface, int a,
                      int b, bool on);

}  // namespace view
