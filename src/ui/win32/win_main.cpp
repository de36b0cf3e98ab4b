// cantora.exe: the Windows program. Registers the window class, creates the
// main window, and runs the message loop with the accelerators of menu 110.
// An optional argument names a file to open at start-up.
#include <windows.h>

#include <commctrl.h>  // after windows.h, which it builds on

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "resource_ids.h"
#include "state/app_state.h"
#include "win32_shell.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // The Tuning dialog's trackbars.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!ui::Win32Shell::registerClass(instance)) return 0;

  // The one application state record of the process.
  static state::AppState appState;
  ui::Win32Shell shell(appState, instance);
  // A window that cannot be created ends the program at once, quietly.
  if (!shell.start(showCommand)) return 0;
  const HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN));

  const std::vector<std::string> arguments = platform::commandLineArguments(0, nullptr);
  if (arguments.size() > 1) shell.openFile(arguments[1]);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The accelerators are the main window's, also while a button or the
    // scroll bar has the focus (a child would ignore the command).
    if (TranslateAcceleratorW(shell.window(), accelerators, &message) == 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
