// Runs the built cantora-cli with arguments and collects its exit status,
// stdout and stderr, for the subcommand tests.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"

namespace clitest {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The names of the files in `dir`, sorted: a leftover temporary shows.
inline std::vector<std::string> listing(const testfiles::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// `prefix` runs before the program in the same shell (e.g. "ulimit -f 64;").
inline CliResult runCli(const testfiles::TempDir& dir, const std::string& args,
                        const std::string& prefix = "") {
  const std::string out = dir.file("cli.out");
  const std::string err = dir.file("cli.err");
  const std::string cmd = prefix + " exec " + quote(std::string(CANTORA_BIN_DIR) + "/cantora-cli") +
                          " " + args + " >" + quote(out) + " 2>" + quote(err) + " </dev/null";
  const int raw = std::system(("sh -c " + quote(cmd)).c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  const auto o = testfiles::readFile(out);
  const auto e = testfiles::readFile(err);
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

}  // namespace clitest
