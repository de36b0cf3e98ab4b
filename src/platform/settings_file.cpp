#include "platform/settings_file.h"

#include <cstdlib>

#include "platform/ini_file.h"

namespace platform {

std::string configHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
  return {};
}

std::string settingsFilePath() {
  const std::string base = configHome();
  return base.empty() ? std::string() : base + "/Harbourline/Rivulet.conf";
}

namespace {

bool parseNumber(std::string_view text, std::int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  std::uint64_t magnitude = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    if (digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (negative && magnitude > 0x80000000ull) return false;
  const std::uint32_t bits =
      negative ? static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(magnitude))
               : static_cast<std::uint32_t>(magnitude);
  value = static_cast<std::int32_t>(bits);
  return true;
}

}  // namespace

bool readSettingNumber(const std::string& path, std::string_view section, std::string_view key,
                       std::int32_t& value) {
  if (path.empty()) return false;
  IniFile file;
  if (!readIniFile(path, file)) return false;
  const IniSection* found = file.find(section);
  if (found == nullptr) return false;
  const std::string* text = found->find(key);
  return text != nullptr && parseNumber(*text, value);
}

}  // namespace platform
