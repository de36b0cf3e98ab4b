// The subcommands of cantora-cli. Each subcommand lives in its own file and
// registers itself with a static CliRegistration, so main never needs editing
// when one is added.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Arguments after the subcommand's name.
using Args = std::vector<std::string>;

struct CliCommand {
  const char* name;
  const char* synopsis;  // one line: "info FILE"
  const char* help;      // the whole text printed by `cantora-cli NAME --help`
  int (*run)(const Args& args);
};

// Subcommands in registration order is not stable across builds; commands()
// returns them sorted by name.
std::vector<const CliCommand*> commands();
const CliCommand* findCommand(std::string_view name);

struct CliRegistration {
  explicit CliRegistration(const CliCommand& command);
};

// Prints "cantora-cli: <message>" as one line on stderr and returns the exit
// status for a failure, so a subcommand can `return fail("...")`.
int fail(std::string_view message);

// True when args holds "-h" or "--help".
bool wantsHelp(const Args& args);

// Parses a whole unsigned decimal number; false on anything else (sign, blank,
// trailing text, overflow).
bool parseUnsigned(std::string_view text, unsigned long long& value);
// Parses a whole signed decimal number within [min, max].
bool parseInteger(std::string_view text, long long min, long long max, long long& value);

}  // namespace cli
