// `cantora-cli devices`: the audio drivers of the driver catalogue, numbered as
// the device dialog numbers them.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli_command.h"
#include "cli/track_io.h"
#include "host/hostkit.h"
#ifndef _WIN32
#include "platform/driver_catalogue.h"
#endif

namespace {

// The buffer the device dialog reads the names into.
constexpr int NAME_LIST_BYTES = 2048;

int runDevices(const cli::Args& args) {
  if (!args.empty()) {
    cli::fail("devices takes no arguments (try cantora-cli devices --help)");
    return cli::EXIT_USAGE;
  }
  char names[NAME_LIST_BYTES] = {};
  const std::int32_t count = HostkitListDevices(names, sizeof names);
  if (count <= 0) {
#ifdef _WIN32
    return cli::fail(
        "no audio driver found (none registered under HKEY_LOCAL_MACHINE\\software\\asio)");
#else
    const std::string catalogue = platform::driverCataloguePath();
    return cli::fail("no audio driver found (catalogue: " +
                     (catalogue.empty() ? std::string("none") : catalogue) + ")");
#endif
  }
  const char* name = names;
  for (std::int32_t index = 0; index < count; ++index) {
    if (name >= names + sizeof names || *name == '\0') break;  // the rest did not fit
    std::printf("%d: %s\n", index, name);
    name += std::strlen(name) + 1;
  }
  return 0;
}

const cli::CliCommand DEVICES_COMMAND{
    "devices", "devices                   the audio drivers, as the device dialog lists them",
    "usage: cantora-cli devices\n\n"
    "Lists the audio drivers as the device dialog offers them, one \"INDEX: NAME\"\n"
#ifdef _WIN32
    "line each: the drivers registered under HKEY_LOCAL_MACHINE\\software\\asio whose\n"
    "library exists.\n",
#else
    "line each. The drivers come from the driver catalogue: $CANTORA_DRIVER_CATALOGUE\n"
    "when set, else $XDG_CONFIG_HOME/cantora/drivers.ini when it exists, else the\n"
    "catalogue installed with Cantora.\n",
#endif
    runDevices};

const cli::CliRegistration REGISTRATION(DEVICES_COMMAND);

}  // namespace
