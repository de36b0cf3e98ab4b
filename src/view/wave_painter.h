// The drawing steps the waveform renderer and the live display share: the
// vertical mapping of sample values to rows, the join that links a point in
// one column to a point in the next, and one channel's bar or point per
// column. Used inside the track view only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "view/image.h"
#include "view/view_constants.h"
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
// window (the live display). Every pixel takes the colour of the column it
// lies in: the selected waveform colour inside the band from bandFirst to
// bandLast, the plain one elsewhere, so switching a column's highlight and
// drawing it afresh give the same pixels.
struct ColumnCanvas {
  Image& image;
  WindowSurface* window = nullptr;
  int bandFirst = 1;  // empty band
  int bandLast = 0;

  std::uint32_t colourAt(int x) const {
    return x >= bandFirst && x <= bandLast ? COLOUR_WAVE_SELECTED : COLOUR_WAVE;
  }
  // Rows top to bottom of column x, both included.
  void run(int x, int top, int bottom) const {
    image.columnRun(x, top, bottom, colourAt(x));
    if (window) window->drawLiveLine(x, std::min(top, bottom), std::max(top, bottom) + 1);
  }
  void point(int x, int y) const {
    image.setPixel(x, y, colourAt(x));
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
