// The MPEG audio frame header word: the tests that make a usable Layer III
// header and the frame parameters derived from it (sample rate, bit rate,
// frame length). The stream scan and the Layer III decoder both read it.
#pragma once

#include <cstdint>

namespace audiofile {

// The four header bytes b0..b3 in file order, b0 in the top byte.
inline std::uint32_t headerWordAt(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

struct MpegHeader {
  bool mpeg1 = true;     // false: MPEG-2 at the lower sampling rates
  bool crc = false;      // a 16-bit CRC follows the header
  int bitrateIndex = 0;  // 1..14
  int rateIndex = 0;     // 0..2
  bool padding = false;
  int mode = 0;           // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int modeExtension = 0;  // bit 1 (value 2) mid/side, bit 0 (value 1) intensity stereo
  int emphasis = 0;
  int channels = 2;
  std::uint32_t sampleRate = 0;
  std::uint32_t bitrateKbps = 0;
};

// 12 sync bits, Layer III, and none of the reserved values (bit-rate index 0 or
// 15, sample-rate index 3, emphasis 2). Free format is never usable.
bool isUsableLayer3Header(std::uint32_t word);

// The fields of a header word; only meaningful for a usable header.
MpegHeader decodeMpegHeader(std::uint32_t word);

// floor(144000 x bit rate / sample rate), halved for MPEG-2, plus the padding byte.
std::uint32_t mpegFrameLength(const MpegHeader& header);

// An MPEG-2.5 Layer III header (11 sync bits, the version bits 00) that passes
// the reserved-value tests; its length is taken from the MPEG-2 rates and bit
// rates without halving. Such streams are recognised so that they can be refused.
bool isMpeg25Layer3Header(std::uint32_t word, std::uint32_t* length);

// Samples per channel in one frame: 1152 for MPEG-1, 576 for MPEG-2.
inline int samplesPerFrame(bool mpeg1) {
  return mpeg1 ? 1152 : 576;
}

}  // namespace audiofile
