// TrackView: the track view's drawing state for one main window: the off-screen
// image with its geometry, the selection columns, the live recording display,
// the play cursor strips and the pixels saved under the progress box. The
// functions that draw (waveform_renderer.h, pane_background.h, highlight.h,
// live_display.h, play_cursor.h, progress_box.h) work on it.
//
// No lock is taken here: callers hold the AppState's viewMutex wherever audio
// or a worker may draw at the same time.
#pragma once

#include <cstdint>

#include "state/app_state.h"
#include "view/image.h"
#include "view/layout.h"
#include "view/window_surface.h"

namespace view {

// The live display's position while a recording arrives block by block.
struct LiveState {
  int currentColumn = 0;
  int previousColumn = 0;
  int centreA = 0;
  int centreB = 0;
  int paneWidth = 0;
  int paneHeight = 0;
  double scale = 0.0;
  int previousRow[2] = {0, 0};
  bool pointFlag[2] = {false, false};
};

class TrackView {
 public:
  Image image;      // the client area, 0x00RRGGBB
  Layout geometry;  // of the last successful layout
  bool laidOut = false;

  // The selected columns in view (both included); selShown says the band and
  // the selected waveform colour are in use.
  std::int32_t selStartCol = 0;
  std::int32_t selEndCol = 0;
  bool selShown = false;

  LiveState live;

  // Where the play cursor was last drawn (the cursor column and the one left of it).
  Rect cursorStripA;
  Rect cursorStripB;

  // What lies under the progress box while it is shown (224 x 56; not valid
  // when it could not be created, and then the box saves and restores nothing).
  Image progressSaved;
  bool progressShown = false;
  int progressSavedX = 0;
  int progressSavedY = 0;
};

// Lays out the client area: records the outer size as the layout size in
// `app`, creates the off-screen image at the client size, computes the
// geometry and paints the margins, frame, divider and empty panes. The first
// call also creates the progress box's save area. Returns false, keeping the
// previous image and geometry, when the image cannot be created. The caller
// then places the scroll bar and buttons at geometry.scrollBar and
// geometry.buttons.
bool layoutWindow(TrackView& view, state::AppState& app, int clientWidth, int clientHeight,
                  int outerWidth, int outerHeight);

// Frees the off-screen image and the progress save area (teardown).
void freeDrawingResources(TrackView& view);

// Invalidates each readout area that is shown and clears its flag; the window
// is not updated here.
void eraseReadouts(state::AppState& app, WindowSurface& surface);

}  // namespace view
