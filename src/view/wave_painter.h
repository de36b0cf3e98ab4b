// The drawing steps the waveform renderer and the live display share: the
// vertical mapping of sample values to rows, the join that links a point in
// one column to a point in the next, and one channel's bar or point per
// column. Used inside the track view only.
#pragma once

#include <cmath>
#include <cstdint>

#include "view/image.h"
#include "view/window_surface.h"

namespace view {

// The rows a sample value lies above its pane's centre row, for a pane `h` rows high.
inline double verticalScale(int h) {
  return static_cast<double>(h - 2) / 32767.0 * 0.5;
}
inline int rowsAbove(int value, double scale) {
  return static_cast<int>(std::floor(value * scale + 0.5));
}

// Paints into the image and, when `window` is given, the same runs onto the
// window (the live display); `colour` applies to the image.
struct ColumnCanvas {
  Image& image;
  WindowSurface* window = nullptr;
  std::uint32_t colour = 0;

  // Rows top to bottom of column x, both included.
  void run(int x, int top, int bottom) const {
    image.columnRun(x, top, bottom, colour);
    if (window)
      window->drawLiveLine(x, top < bottom ? top : bottom, (top < bottom ? bottom : top) + 1);
  }
  void point(int x, int y) const {
    image.setPixel(x, y, colour);
    if (window) window->drawLivePoint(x, y);
  }
};

// Links the point (x, y1) to the point (x + 1, y2): the upper half of the rows
// between them goes to the column the line leaves from the top.
void paintJoin(const ColumnCanvas& canvas, int x, int y1, int y2);

// One channel of a bar column.
struct BarTrace {
  int previousRow = 0;
  bool pointFlag = false;
};

// Draws one channel of column x from its maximum and minimum: a bar when both
// lie off the centre row, else a single point joined to the previous column.
// `lastValue` is the column's last sample, whose row a bar hands on to the
// join that follows.
void paintBarColumn(const ColumnCanvas& canvas, int x, int previousX, int centre, double scale,
                    int max, int min, int lastValue, BarTrace& trace);

}  // namespace view
