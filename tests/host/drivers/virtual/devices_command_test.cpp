// `cantora-cli devices` over catalogues the test writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "host/test_catalogue.h"

namespace {

struct CliRun {
  int status;
  std::string output;
};

CliRun runCli(const std::string& catalogue, const std::string& arguments) {
  const std::string command = "CANTORA_DRIVER_CATALOGUE='" + catalogue + "' " + CANTORA_BIN_DIR +
                              "/cantora-cli devices " + arguments + " 2>&1";
  CliRun run{-1, {}};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
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
  EXPECT_NE(runCli(catalogue, "extra").status, 0);
}

}  // namespace
