// The mapping between screen columns and track frames, at a power-of-two zoom
// (whole frames per column, moved by the scroll position) and at the fit zoom
// (the whole track scaled to the pane width), and the hit test that says
// whether a client point lies on a waveform pane within the track.
#pragma once

#include <cstdint>

#include "state/app_state.h"
#include "view/layout.h"

namespace view {

inline constexpr int COLUMN_BEFORE_VIEW = -1;
inline constexpr int COLUMN_AFTER_VIEW = -2;

// True when the view shows the whole track scaled (framesPerPixel equals
// fitFramesPerPixel); the mapping then ignores scrollPos.
inline bool atFitZoom(const state::AppState& app) {
  return app.framesPerPixel == app.fitFramesPerPixel;
}

// The frame at client column x of a pane (`pane` gives left and width). 64 bits
// because a column far right of the track at a coarse zoom passes 2^32.
std::uint64_t columnToFrame(const state::AppState& app, const Rect& pane, int x);

// The client column showing `frame`, rounded to the nearest column, or
// COLUMN_BEFORE_VIEW / COLUMN_AFTER_VIEW. The track's very end can map to the
// column just right of the pane (pane right).
int frameToColumn(const state::AppState& app, const Rect& pane, std::uint64_t frame);

// True when (x, y) lies on pane A, or on pane B of a stereo track (not in the
// gap between them), and the frame at column x is at most frameCount.
bool hitTest(const state::AppState& app, const Layout& layout, int x, int y);

}  // namespace view
