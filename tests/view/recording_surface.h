// A WindowSurface for the track view's tests: records every call, and keeps
// the live drawing on a window-sized pixel layer so it can be compared with
// the off-screen image.
#pragma once

#include <vector>

#include "view/image.h"
#include "view/window_surface.h"

namespace viewtest {

using state::Rect;

struct CursorLine {
  int x, top, bottom;
  friend bool operator==(const CursorLine&, const CursorLine&) = default;
};

class RecordingSurface : public view::WindowSurface {
 public:
  std::vector<Rect> invalidated;
  int updates = 0;
  std::vector<CursorLine> cursorLines;
  view::Image window;  // what was drawn live on the window, 0x00F0F0 on 0

  // Invalidating repaints from the image, which removes the live drawing there.
  void invalidate(const Rect& area) override {
    invalidated.push_back(area);
    window.fill(area, 0);
  }
  void updateWindow() override { ++updates; }
  void drawCursorLine(int x, int top, int bottom) override {
    cursorLines.push_back({x, top, bottom});
  }
  void drawLiveLine(int x, int top, int bottom) override {
    for (int y = top; y < bottom; ++y) window.setPixel(x, y, 0x00F0F0);
  }
  void drawLivePoint(int x, int y) override { window.setPixel(x, y, 0x00F0F0); }

  void clear() {
    invalidated.clear();
    updates = 0;
    cursorLines.clear();
  }
};

}  // namespace viewtest
