// The common Open and Save dialogs of the Windows program, through the wide
// functions so that every file name can be chosen; the path comes back as UTF-8.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ui {

std::optional<std::string> runOpenDialog(HWND owner);
// Starts with `defaultName` in the name field; never asks before overwriting.
std::optional<std::string> runSaveDialog(HWND owner, std::string_view defaultName);

}  // namespace ui
