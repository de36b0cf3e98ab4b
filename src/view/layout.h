// The geometry of the main window's client area (frame, inner box, the two
// waveform panes and the divider between them, the scroll bar, the seven
// transport buttons, the progress box) computed from the client size, and the
// painting of everything around the panes into the off-screen image.
#pragma once

#include "view/image.h"
#include "view/view_constants.h"

namespace view {

struct Layout {
  Rect client;        // (0, 0, width, height)
  Rect frame;         // (l+8, t+8, r-8, b-64)
  Rect innerBox;      // (l+16, t+16, r-16, b-72)
  int half = 0;       // half the inner box's height
  Rect paneA;         // first or only channel
  Rect paneB;         // second channel; same left, right and height as pane A
  Rect divider;       // between the panes, the inner box's full width
  Rect cursorStripA;  // where the play cursor starts: pane A's first two columns
  Rect cursorStripB;
  Rect scrollBar;              // under the frame, the frame's width, 16 high
  Rect buttons[BUTTON_COUNT];  // in creation and focus order (ids 200..206)
  int progressCentreX = 0;     // the frame's horizontal centre
  int progressCentreY = 0;     // the divider's vertical centre
  Rect progressBox;            // 224 x 56 around the centre
  Rect progressBar;            // inside the box, where progress is drawn

  // Pane width in columns (W of the column mapping).
  int paneWidth() const { return paneA.width(); }
};

// Pure geometry for a client area of width x height pixels.
Layout computeLayout(int clientWidth, int clientHeight);

// Paints the margins, the frame with its bands and outlines, the divider and
// both panes (plain background) into `image`.
void paintChrome(Image& image, const Layout& layout);

}  // namespace view
