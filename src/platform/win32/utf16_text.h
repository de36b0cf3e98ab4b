// Text at the Windows system calls: the program keeps UTF-8 strings (file
// names included) and converts them to UTF-16 only where it calls the wide
// functions, so names outside the ANSI code page work.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Empty for empty text; false from the checked form when the text is not
// valid UTF-8 (or not valid UTF-16 the other way).
bool toUtf16(std::string_view utf8, std::wstring& out);
bool toUtf8(std::wstring_view utf16, std::string& out);

}  // namespace platform
