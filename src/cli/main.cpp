// cantora-cli: dispatches to the subcommand named by the first argument.
#include <cstdio>
#include <cstring>

#include "cli/cli_command.h"
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
  if (argc < 2) {
    printUsage(stderr);
    return 2;
  }
  const char* name = argv[1];
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
  cli::Args args(argv + 2, argv + argc);
  if (cli::wantsHelp(args)) {
    std::fputs(command->help, stdout);
    return 0;
  }
  return command->run(args);
}
