// The off-screen image as the window system sees it: a 32-bit top-down DIB
// section (bit fields red 0xFF0000, green 0x00FF00, blue 0x0000FF, so a pixel
// is 0x00RRGGBB as in the track view's image) selected into a memory device
// context, from which WM_PAINT copies straight to the window with BitBlt.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

class OffscreenDib {
 public:
  OffscreenDib() = default;
  ~OffscreenDib();
  OffscreenDib(const OffscreenDib&) = delete;
  OffscreenDib& operator=(const OffscreenDib&) = delete;

  // Brings `area` of the image (width x height pixels, rows top-down, no
  // padding) into the DIB section, re-created when the size changed, and
  // copies it to `target` at the same place. False when the DIB section
  // cannot be created.
  bool paint(HDC target, const RECT& area, const std::uint32_t* pixels, int width, int height);
  // Deletes the DIB section and its memory context (teardown), putting the
  // context's first bitmap back first.
  void free();

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool create(HDC compatible, int width, int height);

  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace ui
