#include "command_line.h"

#include "platform/version.h"

namespace ui {

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  // --help and --version win over any wrong argument, wherever they stand
  // before "--"; otherwise the first wrong argument is the error.
  CommandLine line;
  std::string error;
  bool options = true;
  for (const std::string& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && (a == "-h" || a == "--help")) {
      return CommandLine{CommandLine::Action::Help, {}, {}};
    } else if (options && a == "--version") {
      return CommandLine{CommandLine::Action::Version, {}, {}};
    } else if (!error.empty()) {
      continue;
    } else if (options && a.size() > 1 && a[0] == '-') {
      error = "unknown option '" + a + "' (try cantora --help)";
    } else if (!line.file.empty()) {
      error = "opens one FILE, not both '" + line.file + "' and '" + a + "'";
    } else if (a.empty()) {
      error = "the FILE to open is an empty name";
    } else {
      line.file = a;
    }
  }
  if (!error.empty()) return CommandLine{CommandLine::Action::Error, {}, error};
  return line;
}

std::string helpText() {
  return "usage: cantora [FILE]\n"
         "       cantora --help | --version\n\n"
         "Cantora, the pitch-correction editor for recorded voices. FILE is a WAV or\n"
         "MP3 recording to open at start-up (this version takes it but does not\n"
         "open it yet).\n\n"
         "options:\n"
         "  -h, --help     show this text and exit\n"
         "  --version      show the version and exit\n"
         "  --             end of options (for a FILE whose name starts with '-')\n\n"
         "Qt's own options (-platform NAME, -style NAME, ...) are taken too. Exit\n"
         "status 0, or 2 on a wrong argument. See cantora(1) and cantora-cli(1).\n";
}

std::string versionText() {
  return "cantora " CANTORA_VERSION "\n";
}

}  // namespace ui
