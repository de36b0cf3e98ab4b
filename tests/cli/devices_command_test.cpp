// `cantora-cli devices` over catalogues the test writes.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_run.h"
#include "host/test_catalogue.h"

namespace {

TEST(DevicesCommand, ListsTheDriversByIndexOrFailsNamingTheCatalogue) {
  hosttest::TempFolder folder;
  const testfiles::TempDir dir{"cli_devices"};
  const std::string listed = folder.write(
      "listed.ini",
      hosttest::virtualCatalogue("") +
          "[Quiet]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\ninput = silence\n");
  const std::string empty = folder.write("empty.ini", "[classes]\n");
  const struct {
    std::string catalogue, arguments;
    int status;
    std::string output;  // stdout and stderr together, or a part of them
  } cases[] = {
      {listed, "", 0, "0: Virtual Audio Device\n1: Quiet\n"},
      {empty, "", 1, empty},
      {empty, "extra", 2, "takes no arguments"},  // a usage error, as for every command
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.catalogue + " " + c.arguments);
    const clitest::CliResult r = clitest::runCli(
        dir, "devices " + c.arguments, "CANTORA_DRIVER_CATALOGUE=" + clitest::quote(c.catalogue));
    EXPECT_EQ(r.status, c.status);
    if (c.status == 0) {
      EXPECT_EQ(r.out + r.err, c.output);
    } else {
      EXPECT_NE((r.out + r.err).find(c.output), std::string::npos) << r.out + r.err;
    }
  }
}

}  // namespace
