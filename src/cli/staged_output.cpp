#include "cli/staged_output.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/output_file.h"

namespace cli {

namespace {

constexpr int NAME_TRIES = 8;

std::string reason(int error) {
  return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

}  // namespace

bool writeWholeFile(const std::string& target, std::string_view bytes, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) {
    error = target + ": is a folder";
    return false;
  }
  const std::filesystem::path path(target);
  const std::filesystem::path folder = path.parent_path();
  platform::OutputFile file;
  std::string temporary;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int i = 0; i < NAME_TRIES && !file.isOpen(); ++i) {
    // Appended piece by piece: one chained concatenation trips a false
    // overlap warning in MinGW's GCC 12.
    std::string name = ".";
    name += path.filename().string();
    name += '.';
    name += std::to_string((stamp + i) % 1000000007);
    name += ".tmp";
    temporary = (folder / name).string();
    if (!file.create(temporary.c_str(), true) && file.lastError() != EEXIST) break;
  }
  if (!file.isOpen()) {
    error = target + ": could not create the file" + reason(file.lastError());
    return false;
  }
  const bool written = file.writeAt(bytes.data(), bytes.size(), 0);
  const int writeError = file.lastError();
  const bool closed = file.close();
  int renameError = 0;
  if (written && closed && platform::replaceFile(temporary.c_str(), target.c_str(), renameError))
    return true;
  platform::removeFile(temporary.c_str());
  error = target + ": could not write the file" +
          reason(!written ? writeError : (!closed ? file.lastError() : renameError));
  return false;
}

}  // namespace cli
