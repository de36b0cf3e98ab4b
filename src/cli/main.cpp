// cantora-cli: dispatches to the subcommand named by the first argument.
#include <cstdio>
#include <cstring>

#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "platform/command_line.h"
#include "platform/version.h"

namespace {

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: cantora-cli COMMAND [ARGS...]\n"
               "       cantora-cli COMMAND --help\n"
               "       cantora-cli --help | --version\n\n"
               "Cantora's command-line companion: the desktop program's import, analysis,\n"
               "tuning and audio devices, for batch work.\n\ncommands:\n");
  for (const cli::CliCommand* c : cli::commands()) std::fprintf(out, "  %s\n", c->synopsis);
}

}  // namespace

int main(int argc, char** argv) {
  // file names as UTF-8, whatever the system's code page
  const std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
  if (arguments.size() < 2) {
    printUsage(stderr);
    return 2;
  }
  const char* name = arguments[1].c_str();
  if (std::strcmp(name, "-h") == 0 || std::strcmp(name, "--help") == 0 ||
      std::strcmp(name, "help") == 0) {
    printUsage(stdout);
    return 0;
  }
  if (std::strcmp(name, "--version") == 0) {
    std::puts("cantora-cli " CANTORA_VERSION);
    return 0;
  }
  const cli::CliCommand* command = cli::findCommand(name);
  if (command == nullptr) {
    std::fprintf(stderr, "cantora-cli: unknown command '%s' (try cantora-cli --help)\n", name);
    return 2;
  }
  cli::Args args(arguments.begin() + 2, arguments.end());
  if (cli::wantsHelp(args)) {
    std::fputs(command->help, stdout);
    return 0;
  }
  return command->run(args);
}
