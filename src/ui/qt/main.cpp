// cantora: the desktop program. `cantora [FILE]`, `--help`, `--version`.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "shell_window.h"
#include "state/app_state.h"

namespace {

std::vector<std::string> argumentsOf(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version are answered before Qt starts, so they work without a
  // display; anything else is read once Qt has taken its own options out.
  ui::CommandLine line = ui::parseCommandLine(argumentsOf(argc, argv));
  if (line.action == ui::CommandLine::Action::Help) {
    std::fputs(ui::helpText().c_str(), stdout);
    return 0;
  }
  if (line.action == ui::CommandLine::Action::Version) {
    std::fputs(ui::versionText().c_str(), stdout);
    return 0;
  }
  QApplication application(argc, argv);
  // Ties the window to cantora.desktop (its icon and name on Wayland).
  QGuiApplication::setDesktopFileName("cantora");
  line = ui::parseCommandLine(argumentsOf(argc, argv));
  if (line.action != ui::CommandLine::Action::Run) {
    std::fprintf(stderr, "cantora: %s\n", line.error.c_str());
    return 2;
  }
  // line.file is kept for the start-up open: the window has no open-by-name
  // path yet, so for now the file is accepted and not opened.
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
