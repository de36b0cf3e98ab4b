// The user's settings, in INI files under the configuration folder
// ($XDG_CONFIG_HOME, else ~/.config): the program's own "Devnum" lives in
// Harbourline/Rivulet.conf, section Options.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config; empty
// when neither is known.
std::string configHome();

// configHome()/Harbourline/Rivulet.conf, or empty without a configuration folder.
std::string settingsFilePath();

// Reads key in section of the INI file at path as a 32-bit number (decimal, or
// hexadecimal with 0x; values up to 0xFFFFFFFF wrap as an unsigned 32-bit
// value would). False when the file, the section or the key is missing or the
// value is not such a number.
bool readSettingNumber(const std::string& path, std::string_view section, std::string_view key,
                       std::int32_t& value);

}  // namespace platform
