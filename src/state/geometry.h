// Client-area rectangles shared by the state record, the track view and the
// window system: (left, top, right, bottom) with right and bottom exclusive.
#pragma once

namespace state {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace state
