// The live display of a recording: each arriving block becomes one column (a
// bar from the block's maximum to minimum, or a point, joined to the previous
// column), drawn into the off-screen image and onto the window at once. At the
// pane's last column the display wraps to the left edge over cleared panes.
#pragma once

#include <cstdint>

#include "state/app_state.h"
#include "view/track_view.h"
#include "view/window_surface.h"

namespace view {

// Starts at pane A's left edge, both channels at their centre rows.
void beginLiveDisplay(TrackView& view);

// Adds one block of n frames: `left` goes to pane A, `right` to pane B.
void addLiveBlock(TrackView& view, const state::AppState& app, WindowSurface& surface,
                  const std::int16_t* left, const std::int16_t* right, std::uint32_t n);

}  // namespace view
