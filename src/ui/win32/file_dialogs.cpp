#include "file_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "win32_text.h"

namespace ui {

namespace {

// The dialogs' name buffer, and the longest name they may return.
constexpr std::size_t NAME_BUFFER_CHARS = 1024;
constexpr DWORD MAX_NAME_CHARS = 260;

// Filters: pairs of a description and its patterns, each ended by a zero, the
// list ended by one more.
constexpr wchar_t OPEN_FILTER[] = L"Audio types\0*.mp3;*.wav;\0All types\0*.*\0";
constexpr wchar_t SAVE_FILTER[] = L"PCM audio\0*.wav;\0";
constexpr wchar_t OPEN_TITLE[] = L"Load track...";

OPENFILENAMEW dialogRecord(HWND owner, std::vector<wchar_t>& name, const wchar_t* filter) {
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = MAX_NAME_CHARS;
  return ofn;
}

std::optional<std::string> chosen(BOOL ok, const std::vector<wchar_t>& name) {
  if (!ok || name[0] == L'\0') return std::nullopt;
  std::string path = utf8(name.data());
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::string> runOpenDialog(HWND owner) {
  std::vector<wchar_t> name(NAME_BUFFER_CHARS, L'\0');
  OPENFILENAMEW ofn = dialogRecord(owner, name, OPEN_FILTER);
  ofn.lpstrTitle = OPEN_TITLE;
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  return chosen(GetOpenFileNameW(&ofn), name);
}

std::optional<std::string> runSaveDialog(HWND owner, std::string_view defaultName) {
  std::vector<wchar_t> name(NAME_BUFFER_CHARS, L'\0');
  const std::wstring start = wide(defaultName);
  start.copy(name.data(), std::min<std::size_t>(start.size(), MAX_NAME_CHARS - 1));
  OPENFILENAMEW ofn = dialogRecord(owner, name, SAVE_FILTER);
  ofn.lpstrInitialDir = L"";
  ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST;
  return chosen(GetSaveFileNameW(&ofn), name);
}

}  // namespace ui
