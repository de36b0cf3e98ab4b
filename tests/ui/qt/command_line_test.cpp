// The desktop program's command line: which arguments open a file, which ask
// for help or the version, and which are refused.
#include "ui/qt/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = ui::CommandLine::Action;

struct Case {
  std::vector<std::string> args;
  Action action;
  std::string file;           // for Run
  std::string errorMentions;  // for Error
};

TEST(CommandLine, ReadsTheFileAndOptions) {
  const Case cases[] = {
      {{}, Action::Run, "", ""},
      {{"take 1.wav"}, Action::Run, "take 1.wav", ""},
      {{"--", "-take.wav"}, Action::Run, "-take.wav", ""},
      {{"--", "--help"}, Action::Run, "--help", ""},
      {{"take.wav", "--help"}, Action::Help, "", ""},
      {{"-h"}, Action::Help, "", ""},
      // --help and --version answer even after a wrong argument
      {{"--bogus", "--version"}, Action::Version, "", ""},
      {{"a.wav", "b.wav", "--help"}, Action::Help, "", ""},
      {{"--bogus"}, Action::Error, "", "'--bogus'"},
      {{"-x", "a.wav"}, Action::Error, "", "'-x'"},
      {{"a.wav", "b.wav"}, Action::Error, "", "'b.wav'"},
      {{"a.wav", "--", "b.wav"}, Action::Error, "", "'a.wav'"},
      {{""}, Action::Error, "", "empty"},
  };
  for (const Case& c : cases) {
    const ui::CommandLine line = ui::parseCommandLine(c.args);
    const std::string label = ::testing::PrintToString(c.args);
    EXPECT_EQ(line.action, c.action) << label;
    EXPECT_EQ(line.file, c.file) << label;
    if (c.action == Action::Error) {
      EXPECT_NE(line.error.find(c.errorMentions), std::string::npos) << label << ": " << line.error;
    }
  }
}

}  // namespace
