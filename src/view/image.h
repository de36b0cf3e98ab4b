// The off-screen image: one 32-bit pixel (0x00RRGGBB) per client pixel, rows
// top-down, as a plain buffer the renderer writes into and the front end
// copies to the screen. Every operation clips to the image, so a rectangle
// partly outside it is safe.
#pragma once

#include <cstdint>
#include <memory>

#include "state/geometry.h"

namespace view {

using state::Rect;

class Image {
 public:
  Image() = default;

  // Allocates a width x height image (contents zero) in place of the current
  // one. Returns false, and keeps the current image, when either side is not
  // positive or too large, or the memory cannot be had.
  bool create(int width, int height);
  void release();

  bool valid() const { return pixels_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Row y starts at data() + y * width().
  std::uint32_t* data() { return pixels_.get(); }
  const std::uint32_t* data() const { return pixels_.get(); }
  std::uint32_t* row(int y) { return pixels_.get() + static_cast<std::size_t>(y) * width_; }
  const std::uint32_t* row(int y) const {
    return pixels_.get() + static_cast<std::size_t>(y) * width_;
  }

  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Pixel access; outside the image a read gives 0 and a write does nothing.
  std::uint32_t pixel(int x, int y) const { return inside(x, y) ? row(y)[x] : 0; }
  void setPixel(int x, int y, std::uint32_t colour) {
    if (inside(x, y)) row(y)[x] = colour;
  }

  // Fills the part of `area` that lies in the image.
  void fill(const Rect& area, std::uint32_t colour);
  // Paints column x from row `top` to row `bottom`, both included, in either order.
  void columnRun(int x, int top, int bottom, std::uint32_t colour);
  // A one-pixel outline along the edges of `area` (right and bottom exclusive).
  void outline(const Rect& area, std::uint32_t colour);

  // Copies the pixels of this image at (x, y), as many as `dst` holds, into dst.
  // Pixels outside this image are left as they are in dst.
  void copyOut(int x, int y, Image& dst) const;
  // Copies all of `src` into this image with its top-left corner at (x, y).
  void copyIn(const Image& src, int x, int y);

  friend bool operator==(const Image& a, const Image& b);

 private:
  std::unique_ptr<std::uint32_t[]> pixels_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace view
