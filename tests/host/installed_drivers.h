// The drivers a host test installs, listed as the system lists them: on
// Windows entries under "software\asio" in the test's own Wine prefix, the
// virtual device registered by its own DllRegisterServer; elsewhere a
// catalogue file named by $CANTORA_DRIVER_CATALOGUE. Also the stored Devnum.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "host/test_registry.h"
#else
#include <cstdlib>

#include "host/test_catalogue.h"
#endif

namespace hosttest {

// "key = value" lines as pairs.
inline std::vector<std::pair<std::string, std::string>> settingLines(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    const std::size_t equals = line.find(" = ");
    if (equals != std::string::npos)
      out.emplace_back(line.substr(0, equals), line.substr(equals + 3));
    at = end + 1;
  }
  return out;
}

class InstalledDrivers {
 public:
  InstalledDrivers()
      : folder_(
            std::filesystem::temp_directory_path() /
            ("cantora-host-drivers-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
    std::filesystem::create_directories(folder_);
  }
  ~InstalledDrivers() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
#ifdef _WIN32
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Harbourline");
#endif
  }
  InstalledDrivers(const InstalledDrivers&) = delete;
  InstalledDrivers& operator=(const InstalledDrivers&) = delete;

  // A folder of the test's own, removed at the end.
  std::string folder() const {
    return folder_.string();
  }

  // The virtual device with the given settings ("key = value" lines), then
  // more entries of the same class, each as (key, description).
  void virtualDevice(const std::string& settings,
                     const std::vector<std::pair<std::string, std::string>>& more = {}) {
#ifdef _WIN32
    asio_.reset();
    asio_ = std::make_unique<ScopedAsioKey>();
    callVirtualDevice("DllRegisterServer");
    asio_->entry("Virtual Audio Device", VIRTUAL_CLASS, "", settingLines(settings));
    for (const auto& [key, description] : more) asio_->entry(key, VIRTUAL_CLASS, description);
#else
    std::string text = virtualCatalogue(settings);
    for (const auto& [key, description] : more)
      text += "[" + key +
              "]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\ndescription = " + description +
              "\n" + settings;
    useCatalogue(text);
#endif
  }

  // No driver at all.
  void none() {
#ifdef _WIN32
    asio_.reset();
    asio_ = std::make_unique<ScopedAsioKey>();
#else
    useCatalogue("");
#endif
  }

  // The user's stored Devnum.
  void storeDevnum(std::int32_t value) {
#ifdef _WIN32
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Harbourline\\Rivulet\\Options", 0, nullptr, 0,
                    KEY_WRITE, nullptr, &key, nullptr);
    const DWORD number = static_cast<DWORD>(value);
    RegSetValueExW(key, L"Devnum", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);
#else
    std::filesystem::create_directories(folder_ / "Harbourline");
    std::ofstream(folder_ / "Harbourline" / "Rivulet.conf")
        << "[Options]\nDevnum = " << value << "\n";
    configHome_.emplace("XDG_CONFIG_HOME", folder_.c_str());
#endif
  }

 private:
  std::filesystem::path folder_;
#ifdef _WIN32
  std::unique_ptr<ScopedAsioKey> asio_;
#else
  void useCatalogue(const std::string& text) {
    const std::filesystem::path file = folder_ / "drivers.ini";
    std::ofstream(file) << text;
    catalogue_.emplace(DRIVER_CATALOGUE, file.c_str());
  }
  static constexpr const char* DRIVER_CATALOGUE = "CANTORA_DRIVER_CATALOGUE";
  std::optional<ScopedEnv> catalogue_;
  std::optional<ScopedEnv> configHome_;
#endif
};

}  // namespace hosttest
