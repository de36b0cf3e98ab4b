// The progress box shown in the middle of the waveform area during long
// operations: what lies under it is saved when it is shown and put back when
// it is hidden, so the image is left exactly as it was.
#pragma once

#include "view/track_view.h"
#include "view/window_surface.h"

namespace view {

// Saves the pixels under the box, paints the box with an empty (black) bar,
// invalidates it and updates the window.
void showProgressBox(TrackView& view, WindowSurface& surface);
// Restores the saved pixels (only when the box is shown), invalidates the box
// and updates the window.
void hideProgressBox(TrackView& view, WindowSurface& surface);

// Fills the bar's columns from its left edge up to `fraction` (0..1) of its
// width in the progress colour, beyond those already filled (`columnsDrawn`,
// kept by the caller for one operation, starting at 0), and invalidates them.
void advanceProgressBar(TrackView& view, WindowSurface& surface, double fraction,
                        int& columnsDrawn);

}  // namespace view
