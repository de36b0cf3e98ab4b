#include "view/image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "view/view_constants.h"

namespace view {

bool Image::create(int width, int height) {
  if (width <= 0 || height <= 0 || width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE) return false;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::unique_ptr<std::uint32_t[]> pixels(new (std::nothrow) std::uint32_t[count]());
  if (!pixels) return false;
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  return true;
}

void Image::release() {
  pixels_.reset();
  width_ = height_ = 0;
}

void Image::fill(const Rect& area, std::uint32_t colour) {
  const int left = std::max(area.left, 0);
  const int right = std::min(area.right, width_);
  const int top = std::max(area.top, 0);
  const int bottom = std::min(area.bottom, height_);
  if (left >= right || top >= bottom) return;
  for (int y = top; y < bottom; ++y) std::fill(row(y) + left, row(y) + right, colour);
}

void Image::columnRun(int x, int top, int bottom, std::uint32_t colour) {
  if (x < 0 || x >= width_) return;
  if (top > bottom) std::swap(top, bottom);
  top = std::max(top, 0);
  bottom = std::min(bottom, height_ - 1);
  std::uint32_t* p = pixels_.get() + static_cast<std::size_t>(top) * width_ + x;
  for (int y = top; y <= bottom; ++y, p += width_) *p = colour;
}

void Image::outline(const Rect& area, std::uint32_t colour) {
  if (area.empty()) return;
  fill({area.left, area.top, area.right, area.top + 1}, colour);
  fill({area.left, area.bottom - 1, area.right, area.bottom}, colour);
  fill({area.left, area.top, area.left + 1, area.bottom}, colour);
  fill({area.right - 1, area.top, area.right, area.bottom}, colour);
}

void Image::copyOut(int x, int y, Image& dst) const {
  if (!valid() || !dst.valid()) return;
  const int left = std::max(x, 0);
  const int right = std::min(x + dst.width_, width_);
  const int top = std::max(y, 0);
  const int bottom = std::min(y + dst.height_, height_);
  if (left >= right || top >= bottom) return;
  for (int r = top; r < bottom; ++r)
    std::memcpy(dst.row(r - y) + (left - x), row(r) + left,
                static_cast<std::size_t>(right - left) * sizeof(std::uint32_t));
}

void Image::copyIn(const Image& src, int x, int y) {
  if (!valid() || !src.valid()) return;
  const int left = std::max(x, 0);
  const int right = std::min(x + src.width_, width_);
  const int top = std::max(y, 0);
  const int bottom = std::min(y + src.height_, height_);
  if (left >= right || top >= bottom) return;
  for (int r = top; r < bottom; ++r)
    std::memcpy(row(r) + left, src.row(r - y) + (left - x),
                static_cast<std::size_t>(right - left) * sizeof(std::uint32_t));
}

bool operator==(const Image& a, const Image& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_) return false;
  if (!a.valid() || !b.valid()) return a.valid() == b.valid();
  const std::size_t count = static_cast<std::size_t>(a.width_) * a.height_;
  return std::equal(a.data(), a.data() + count, b.data());
}

}  // namespace view
