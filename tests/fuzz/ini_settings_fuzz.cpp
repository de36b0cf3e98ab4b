// Fuzz target: the INI reader behind the driver catalogue and the settings
// file. The text is parsed, then read back from a file as the settings reader
// and the catalogue do; a plain decimal value must read as its number.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/driver_catalogue.h"
#include "platform/ini_file.h"
#include "platform/settings_file.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool trimmed(std::string_view s) {
  return s.empty() || (!isBlank(s.front()) && !isBlank(s.back()));
}

const std::string& scratchPath() {
  static const std::string path = "/tmp/cantora-ini-fuzz-" + std::to_string(getpid()) + ".ini";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const platform::IniFile ini = platform::parseIni(text);
  for (std::size_t s = 0; s < ini.sections.size(); ++s) {
    const platform::IniSection& section = ini.sections[s];
    FUZZ_CHECK(trimmed(section.name) && section.name.find('\n') == std::string::npos);
    // A repeated name adds to the first section of that name.
    FUZZ_CHECK(ini.find(section.name) == &section);
    for (const platform::IniEntry& entry : section.entries) {
      FUZZ_CHECK(!entry.key.empty() && trimmed(entry.key) && trimmed(entry.value));
      FUZZ_CHECK(entry.key.find('\n') == std::string::npos);
      FUZZ_CHECK(entry.value.find('\n') == std::string::npos);
    }
  }

  std::FILE* f = std::fopen(scratchPath().c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(std::fclose(f) == 0);

  platform::IniFile reread;
  FUZZ_CHECK(platform::readIniFile(scratchPath(), reread));
  FUZZ_CHECK(reread.sections.size() == ini.sections.size());

  for (const platform::IniSection& section : ini.sections) {
    if (section.entries.empty()) continue;
    const platform::IniEntry& entry = section.entries.front();
    std::int32_t value = 0;
    const bool read = platform::readSettingNumber(scratchPath(), section.name, entry.key, value);
    const std::string& digits = entry.value;
    std::int32_t expected = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
    if (!digits.empty() && digits.front() != '-' && ec == std::errc() &&
        end == digits.data() + digits.size()) {
      FUZZ_CHECK(read && value == expected);
    }
  }

  platform::DriverCatalogue catalogue;
  catalogue.load(scratchPath());
  FUZZ_CHECK(catalogue.file().sections.size() == ini.sections.size());
  for (const platform::IniSection& section : catalogue.file().sections) {
    if (platform::DriverCatalogue::isClassTable(section)) continue;
    if (const std::string* clsid = section.find("clsid")) {
      std::string library;
      catalogue.findLibrary(*clsid, library);
    }
  }
  return 0;
}
