#include "platform/driver_catalogue.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/settings_file.h"

namespace platform {

namespace {

bool fileExists(const std::string& path) {
  return !path.empty() && access(path.c_str(), F_OK) == 0;
}

std::string parentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string executableDir() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return parentOf(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

std::string driverCataloguePath() {
  const char* chosen = std::getenv(DRIVER_CATALOGUE_VARIABLE);
  if (chosen != nullptr && chosen[0] != '\0') return chosen;
  const std::string config = configHome();
  if (!config.empty()) {
    const std::string user = config + "/cantora/drivers.ini";
    if (fileExists(user)) return user;
  }
  const std::string exe = executableDir();
  if (exe.empty()) return {};
  // The build tree keeps the installed tree's places, so the catalogue lies at
  // the same path from bin/ in both (share/cantora/ beside bin/). tests/ sits
  // beside bin/ too; bin/bench/ is one level deeper.
  const auto fromFolder = [](const std::string& folder) {
    return std::filesystem::path(folder + "/" + CANTORA_CATALOGUE_FROM_BINDIR)
        .lexically_normal()
        .string();
  };
  std::string candidate = fromFolder(exe);
  if (fileExists(candidate)) return candidate;
  const std::string deeper = fromFolder(parentOf(exe));
  return fileExists(deeper) ? deeper : candidate;
}

void DriverCatalogue::load(const std::string& path) {
  folder_ = parentOf(path);
  if (path.empty() || !readIniFile(path, file_)) file_ = IniFile{};
}

bool DriverCatalogue::isClassTable(const IniSection& section) {
  return equalsIgnoringCase(section.name, CATALOGUE_CLASS_SECTION);
}

bool DriverCatalogue::findLibrary(std::string_view classId, std::string& libraryPath) const {
  const IniSection* classes = file_.find(CATALOGUE_CLASS_SECTION);
  if (classes == nullptr) return false;
  const std::string wanted = toLowerAscii(classId);
  for (const IniEntry& entry : classes->entries) {
    if (toLowerAscii(entry.key) != wanted) continue;
    if (entry.value.empty()) return false;
    libraryPath = entry.value.front() == '/' ? entry.value : folder_ + "/" + entry.value;
    return fileExists(libraryPath);
  }
  return false;
}

}  // namespace platform
