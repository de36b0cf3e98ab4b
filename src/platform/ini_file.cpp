#include "platform/ini_file.h"

#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string_view trim(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::string toLowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = lowerAscii(c);
  return lower;
}

const std::string* IniSection::find(std::string_view key) const {
  for (const IniEntry& entry : entries) {
    if (equalsIgnoringCase(entry.key, key)) return &entry.value;
  }
  return nullptr;
}

const IniSection* IniFile::find(std::string_view name) const {
  for (const IniSection& section : sections) {
    if (equalsIgnoringCase(section.name, name)) return &section;
  }
  return nullptr;
}

IniFile parseIni(std::string_view text) {
  IniFile file;
  IniSection* current = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) {
        current = nullptr;
        continue;
      }
      const std::string_view name = trim(line.substr(1, close - 1));
      current = nullptr;
      for (IniSection& section : file.sections) {
        if (equalsIgnoringCase(section.name, name)) current = &section;
      }
      if (current == nullptr) {
        file.sections.push_back(IniSection{std::string(name), {}});
        current = &file.sections.back();
      }
      continue;
    }
    const std::size_t equals = line.find('=');
    if (current == nullptr || equals == std::string_view::npos) continue;
    const std::string_view key = trim(line.substr(0, equals));
    if (key.empty()) continue;
    current->entries.push_back(
        IniEntry{std::string(key), std::string(trim(line.substr(equals + 1)))});
  }
  return file;
}

bool readIniFile(const std::string& path, IniFile& out) {
  out = IniFile{};
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return false;
  out = parseIni(text.str());
  return true;
}

}  // namespace platform
