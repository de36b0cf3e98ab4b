// The modal dialogs of the Windows program, from the resource script: the
// About box (104), the device dialog (101) and the Tuning dialog (103).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/shell.h"

namespace ui {

void runAboutDialog(HINSTANCE instance, HWND owner);
// Lists `names` (the host's driver names) with the first selected. The
// chosen index on OK (-1 when the list is empty), nothing on Cancel.
std::optional<int> runDeviceDialog(HINSTANCE instance, HWND owner,
                                   const std::vector<std::string>& names);
// 1 after OK (onOk ran the tuning while the dialog stayed open and inert),
// 2 after Cancel.
int runTuningDialog(HINSTANCE instance, HWND owner, bool onLeft,
                    const std::function<void(const app::TuningChoice&)>& onOk);

}  // namespace ui
