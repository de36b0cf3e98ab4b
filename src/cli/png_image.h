// Encoding a picture as PNG for `cantora-cli pitch --png`, with libpng where
// the build has it. Builds without it (the Windows one) say so instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// True when this build can write PNG files.
bool pngAvailable();

// The PNG file of a width x height picture of 0x00RRGGBB pixels, rows
// top-down. False with `error` set when it cannot be encoded.
bool encodePng(const std::uint32_t* pixels, int width, int height, std::vector<unsigned char>& png,
               std::string& error);

}  // namespace cli
