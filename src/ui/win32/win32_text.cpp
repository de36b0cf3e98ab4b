#include "win32_text.h"

#include <windows.h>

#include "platform/win32/utf16_text.h"

namespace ui {

std::wstring wide(std::string_view text) {
  std::wstring out;
  if (platform::toUtf16(text, out)) return out;
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  out.assign(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string utf8(std::wstring_view text) {
  std::string out;
  if (!platform::toUtf8(text, out)) out.clear();
  return out;
}

}  // namespace ui
