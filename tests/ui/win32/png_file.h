// Pictures of the window for the test's record: a PNG file from 0x00RRGGBB
// pixels (rows top-down), stored without compression so that it needs no
// library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace win32test {

bool writePng(const std::filesystem::path& path, const std::vector<std::uint32_t>& pixels,
              int width, int height);

}  // namespace win32test
