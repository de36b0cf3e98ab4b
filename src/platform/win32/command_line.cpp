#include "platform/command_line.h"

#include <windows.h>

#include <shellapi.h>  // after windows.h, which it builds on

#include "platform/win32/utf16_text.h"

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::string text;
    // a name that is not valid UTF-16 keeps the code page's reading of it
    if (!toUtf8(wide[i], text) && i < argc) text = argv[i];
    out.push_back(std::move(text));
  }
  LocalFree(wide);
  return out;
}

}  // namespace platform
