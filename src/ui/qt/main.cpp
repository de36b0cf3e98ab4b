// cantora: the desktop program. It has no command-line options.
#include <QApplication>

#include "shell_window.h"
#include "state/app_state.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The one application state record of the process.
  static state::AppState appState;
  int exitCode = 0;
  {
    ui::ShellWindow window(appState);
    // A window that cannot be created ends the program at once, quietly.
    if (!window.start()) return 0;
    exitCode = QApplication::exec();
  }
  return exitCode;
}
