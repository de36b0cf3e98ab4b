// The desktop program's command line: `cantora [FILE]`, `--help` and
// `--version`. Plain C++, so that --help and --version are answered before Qt
// starts (and so need no display); Qt's own options (-platform, -style, ...)
// are taken out by QApplication before the rest is read.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string file;   // the file to open at start-up, empty for none
  std::string error;  // one line, for Action::Error
};

// Reads the arguments after the program's name. "--" ends the options, so a
// file whose name starts with "-" can be given after it.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// What `cantora --help` and `cantora --version` print.
std::string helpText();
std::string versionText();

}  // namespace ui
