#include "view/wave_painter.h"

#include <algorithm>
#include <cstdlib>

namespace view {

void paintJoin(const ColumnCanvas& canvas, int x, int y1, int y2) {
  const int d = std::abs(y2 - y1);
  const int k = d / 2;
  const int t = std::min(y1, y2);
  int upperTop, upperBottom, lowerTop, lowerBottom;
  if (d % 2 == 1) {
    upperTop = t;
    upperBottom = t + k;
    lowerTop = t + k;
    lowerBottom = t + 2 * k;
  } else {
    if (k == 0) return;
    upperTop = t;
    upperBottom = t + k - 1;
    lowerTop = t + k;
    lowerBottom = t + 2 * k - 1;
  }
  const bool descends = y1 < y2;
  canvas.run(descends ? x : x + 1, upperTop, upperBottom);
  canvas.run(descends ? x + 1 : x, lowerTop, lowerBottom);
}

void paintBarColumn(const ColumnCanvas& canvas, int x, int previousX, int centre, double scale,
                    int max, int min, int lastValue, BarTrace& trace) {
  const int a = rowsAbove(max, scale);
  const int b = rowsAbove(min, scale);
  if (a != 0 && b != 0) {
    canvas.run(x, centre - a, centre - b - 1);
    const int y = centre - rowsAbove(lastValue, scale);
    if (trace.pointFlag) {
      if (std::abs(y - trace.previousRow) > 1) paintJoin(canvas, previousX, trace.previousRow, y);
      trace.pointFlag = false;
    }
    trace.previousRow = y;
  } else {
    const int y = centre - a - b;
    canvas.point(x, y);
    if (std::abs(y - trace.previousRow) > 1) paintJoin(canvas, previousX, trace.previousRow, y);
    trace.pointFlag = true;
    trace.previousRow = y;
  }
}

}  // namespace view
