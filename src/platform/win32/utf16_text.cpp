#include "platform/win32/utf16_text.h"

#include <windows.h>

#include <climits>

namespace platform {

bool toUtf16(std::string_view utf8, std::wstring& out) {
  out.clear();
  if (utf8.empty()) return true;
  if (utf8.size() > INT_MAX) return false;
  const int length = static_cast<int>(utf8.size());
  const int needed =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  out.resize(static_cast<std::size_t>(needed));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, out.data(),
                             needed) == needed;
}

bool toUtf8(std::wstring_view utf16, std::string& out) {
  out.clear();
  if (utf16.empty()) return true;
  if (utf16.size() > INT_MAX) return false;
  const int length = static_cast<int>(utf16.size());
  const int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length,
                                         nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return false;
  out.resize(static_cast<std::size_t>(needed));
  return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, out.data(),
                             needed, nullptr, nullptr) == needed;
}

}  // namespace platform
