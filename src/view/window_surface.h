// What the track view needs from the window it draws for: repainting parts of
// the window from the off-screen image, and drawing straight onto the window
// (the play cursor and the live recording), which the window system shows over
// the image until that area is invalidated.
//
// Declared here and implemented by the window system's front end (through the
// application's Shell). Every operation may be called from any thread (the
// host's delivery thread draws the cursor and the live recording) and never
// waits for the UI thread: implementations queue the work and return.
#pragma once

#include <cstdint>

#include "state/geometry.h"

namespace view {

using state::Rect;

class WindowSurface {
 public:
  virtual ~WindowSurface() = default;

  // Marks a client rectangle for repainting from the off-screen image, without
  // erasing. Drawings made on the window inside it disappear at that repaint.
  virtual void invalidate(const Rect& area) = 0;
  // Repaints what is marked, as soon as the UI thread can.
  virtual void updateWindow() = 0;

  // The play cursor: a 2-pixel black vertical line at column x, from row top to
  // row bottom (exclusive), drawn on the window, not into the image.
  virtual void drawCursorLine(int x, int top, int bottom) = 0;
  // The live recording: a vertical line of the live pen's colour (0x00F0F0) at
  // column x from row top to row bottom (exclusive), and a single pixel.
  virtual void drawLiveLine(int x, int top, int bottom) = 0;
  virtual void drawLivePoint(int x, int y) = 0;
};

}  // namespace view
