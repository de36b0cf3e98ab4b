// Catalogue files written by a test into its own temporary folder, the path
// of the virtual device library the build made, and environment variables
// set for one test only.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace hosttest {

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/cantora-host-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "/tmp";
  }
  ~TempFolder() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (path_ != "/tmp") [[maybe_unused]]
      int ignored = std::system(command.c_str());
  }
  const std::string& path() const { return path_; }
  std::string write(const std::string& name, const std::string& text) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file) << text;
    return file;
  }

 private:
  std::string path_;
};

// Sets (or, given nullptr, unsets) a variable and restores it at the end of
// the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (saved_) {
      setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

#ifdef CANTORA_VIRTUAL_DRIVER
inline std::string virtualDriverPath() {
  return CANTORA_VIRTUAL_DRIVER;
}

// A catalogue with one virtual device section carrying the given settings.
inline std::string virtualCatalogue(const std::string& settings) {
  return "[Virtual Audio Device]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\n"
         "description = Virtual Audio Device\n" +
         settings + "\n[classes]\n{6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13} = " + virtualDriverPath() +
         "\n";
}
#endif

}  // namespace hosttest
