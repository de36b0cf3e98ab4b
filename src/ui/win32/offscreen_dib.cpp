#include "offscreen_dib.h"

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

// The header and the three colour masks that follow it.
struct BitFieldsInfo {
  BITMAPINFOHEADER header;
  DWORD masks[3];
};

constexpr DWORD RED_MASK = 0xFF0000;
constexpr DWORD GREEN_MASK = 0x00FF00;
constexpr DWORD BLUE_MASK = 0x0000FF;

}  // namespace

OffscreenDib::~OffscreenDib() {
  free();
}

bool OffscreenDib::create(HDC compatible, int width, int height) {
  free();
  BitFieldsInfo info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = -height;  // rows top-down
  info.header.biPlanes = 1;
  info.header.biBitCount = 32;
  info.header.biCompression = BI_BITFIELDS;
  info.masks[0] = RED_MASK;
  info.masks[1] = GREEN_MASK;
  info.masks[2] = BLUE_MASK;
  void* bits = nullptr;
  memory_ = CreateCompatibleDC(compatible);
  if (memory_ == nullptr) return false;
  bitmap_ = CreateDIBSection(compatible, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                             &bits, nullptr, 0);
  if (bitmap_ == nullptr || bits == nullptr) {
    free();
    return false;
  }
  replaced_ = SelectObject(memory_, bitmap_);
  bits_ = static_cast<std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

bool OffscreenDib::paint(HDC target, const RECT& area, const std::uint32_t* pixels, int width,
                         int height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return false;
  if ((width != width_ || height != height_ || bits_ == nullptr) && !create(target, width, height))
    return false;
  const int left = std::clamp<int>(area.left, 0, width);
  const int right = std::clamp<int>(area.right, 0, width);
  const int top = std::clamp<int>(area.top, 0, height);
  const int bottom = std::clamp<int>(area.bottom, 0, height);
  if (left >= right || top >= bottom) return true;
  GdiFlush();  // GDI may still be writing the section from the last copy
  const std::size_t rowBytes = static_cast<std::size_t>(right - left) * sizeof(std::uint32_t);
  for (int y = top; y < bottom; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(left);
    std::memcpy(bits_ + at, pixels + at, rowBytes);
  }
  BitBlt(target, left, top, right - left, bottom - top, memory_, left, top, SRCCOPY);
  return true;
}

void OffscreenDib::free() {
  if (memory_ != nullptr && replaced_ != nullptr) SelectObject(memory_, replaced_);
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (memory_ != nullptr) DeleteDC(memory_);
  memory_ = nullptr;
  bitmap_ = nullptr;
  replaced_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

}  // namespace ui
