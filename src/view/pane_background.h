// The pane backgrounds with the selection band, the selection columns the band
// and the selected waveform colour use, and invalidating the panes.
#pragma once

#include "state/app_state.h"
#include "view/track_view.h"
#include "view/window_surface.h"

namespace view {

// Computes selStartCol and selEndCol from selStart and selEnd. False when the
// selection starts after the view or ends before it; a start before the view
// becomes pane A's left, an end at or after the view's right edge pane A's
// last column. Sets selShown on success (and leaves it alone otherwise).
bool computeSelectionColumns(TrackView& view, const state::AppState& app);

// Clears selShown, then fills pane A (and pane B with alsoB) with the plain
// background, the selected columns of an active selection in the band colour.
void paintBackgrounds(TrackView& view, const state::AppState& app, bool alsoB);

// Invalidates pane A (and pane B with alsoB) without erasing, then updates the window.
void invalidatePanes(const TrackView& view, WindowSurface& surface, bool alsoB);

}  // namespace view
