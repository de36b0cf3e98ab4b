// A small reader of INI-style files: "[section]" lines, "key = value" lines and
// comments starting with '#' or ';'. It backs the settings file and the driver
// catalogue, which stand in for registry keys, so names compare without case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct IniEntry {
  std::string key;
  std::string value;
};

struct IniSection {
  std::string name;
  std::vector<IniEntry> entries;  // in file order

  // The value of the first entry named key (any case), or null.
  const std::string* find(std::string_view key) const;
};

struct IniFile {
  std::vector<IniSection> sections;  // in file order; a repeated name adds to the first

  const IniSection* find(std::string_view name) const;
};

// Parses text; lines that are neither a section, an entry nor a comment, and
// entries before the first section, are ignored.
IniFile parseIni(std::string_view text);

// Reads and parses a file; false when it cannot be read (out is left empty).
bool readIniFile(const std::string& path, IniFile& out);

bool equalsIgnoringCase(std::string_view a, std::string_view b);
std::string toLowerAscii(std::string_view text);

}  // namespace platform
