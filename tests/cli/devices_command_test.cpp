// `cantora-cli devices` over catalogues the test writes.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_run.h"
#include "host/test_catalogue.h"

namespace {

struct CliRun {
  int status;
  std::string output;
};

// `devices ARGUMENTS` over `catalogue`, stdout and stderr together.
CliRun runCli(const std::string& catalogue, const std::string& arguments) {
  const testfiles::TempDir dir{"cli_devices"};
  const clitest::CliResult r = clitest::runCli(
      dir, "devices " + arguments, "CANTORA_DRIVER_CATALOGUE=" + clitest::quote(catalogue));
  return CliRun{r.status, r.out + r.err};
}

TEST(DevicesCommand, ListsTheDriversByIndex) {
  hosttest::TempFolder folder;
  const std::string catalogue = folder.write(
      "drivers.ini",
      hosttest::virtualCatalogue("") +
          "[Quiet]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\ninput = silence\n");
  const CliRun run = runCli(catalogue, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "0: Virtual Audio Device\n1: Quiet\n");
}

TEST(DevicesCommand, FailsWithTheCataloguePathWhenNothingIsListed) {
  hosttest::TempFolder folder;
  const std::string catalogue = folder.write("drivers.ini", "[classes]\n");
  const CliRun run = runCli(catalogue, "");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.output.find(catalogue), std::string::npos) << run.output;
  EXPECT_EQ(runCli(catalogue, "extra").status, 2) << "a usage error, as for every command";
}

}  // namespace
