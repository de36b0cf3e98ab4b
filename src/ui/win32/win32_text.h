// Text at the window system's wide functions: the program's strings are UTF-8;
// the driver names the host reads from the registry may be in the system's
// code page instead.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// UTF-8 to UTF-16; text that is not valid UTF-8 is read in the system's code page.
std::wstring wide(std::string_view text);
// UTF-16 to UTF-8 (empty when the text is not valid UTF-16).
std::string utf8(std::wstring_view text);
// A driver name as the host listed it.
inline std::wstring driverName(std::string_view name) {
  return wide(name);
}

}  // namespace ui
