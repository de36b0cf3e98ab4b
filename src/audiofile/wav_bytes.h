// Little-endian loads and stores on byte addresses. File data has no
// alignment, so samples and header fields are never read through a wider
// pointer; these compile to plain loads and stores on the machines we build for.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace audiofile {

static_assert(std::endian::native == std::endian::little,
              "samples are copied between files and memory without byte swapping");

inline std::uint16_t loadLe16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t loadLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int16_t loadSample(const unsigned char* p) {
  std::int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void storeLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

inline void storeLe32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace audiofile
