#include "audiofile/mpeg_header.h"

namespace audiofile {
namespace {

// ISO/IEC 11172-3 and 13818-3, the sampling_frequency field: [MPEG-1, MPEG-2][index].
constexpr std::uint32_t SAMPLE_RATES[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

// ISO/IEC 11172-3 Layer III bit rates, and the 13818-3 lower-sampling-rate
// Layer II/III column, in kbit/s by bitrate_index (0 is free format, 15 reserved).
constexpr std::uint32_t BIT_RATES[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};

bool reservedFieldsClear(std::uint32_t word) {
  const int bitrateIndex = (word >> 12) & 0xF;
  const int rateIndex = (word >> 10) & 0x3;
  const int emphasis = word & 0x3;
  return bitrateIndex != 0 && bitrateIndex != 15 && rateIndex != 3 && emphasis != 2;
}

std::uint32_t lengthFor(std::uint32_t bitrateKbps, std::uint32_t sampleRate) {
  return static_cast<std::uint32_t>(144000.0 * static_cast<double>(bitrateKbps) /
                                    static_cast<double>(sampleRate));
}

}  // namespace

bool isUsableLayer3Header(std::uint32_t word) {
  const std::uint32_t b0 = word >> 24;
  const std::uint32_t b1 = (word >> 16) & 0xFF;
  return b0 == 0xFF && (b1 & 0xF6) == 0xF2 && reservedFieldsClear(word);
}

MpegHeader decodeMpegHeader(std::uint32_t word) {
  MpegHeader h;
  const std::uint32_t b1 = (word >> 16) & 0xFF;
  h.mpeg1 = (b1 & 0x08) != 0;
  h.crc = (b1 & 0x01) == 0;
  h.bitrateIndex = (word >> 12) & 0xF;
  h.rateIndex = (word >> 10) & 0x3;
  h.padding = ((word >> 9) & 1) != 0;
  h.mode = (word >> 6) & 0x3;
  h.modeExtension = (word >> 4) & 0x3;
  h.emphasis = word & 0x3;
  h.channels = h.mode == 3 ? 1 : 2;
  const int version = h.mpeg1 ? 0 : 1;
  h.sampleRate = h.rateIndex < 3 ? SAMPLE_RATES[version][h.rateIndex] : 0;
  h.bitrateKbps = BIT_RATES[version][h.bitrateIndex];
  return h;
}

std::uint32_t mpegFrameLength(const MpegHeader& header) {
  if (header.sampleRate == 0) return 0;
  std::uint32_t length = lengthFor(header.bitrateKbps, header.sampleRate);
  if (!header.mpeg1) length /= 2;
  return length + (header.padding ? 1 : 0);
}

bool isMpeg25Layer3Header(std::uint32_t word, std::uint32_t* length) {
  const std::uint32_t b0 = word >> 24;
  const std::uint32_t b1 = (word >> 16) & 0xFF;
  // 11 sync bits, version bits 00 (bit 3 set would be the reserved version), Layer III.
  if (b0 != 0xFF || (b1 & 0xF0) != 0xE0 || (b1 & 0x08) != 0 || (b1 & 0x06) != 0x02) return false;
  if (!reservedFieldsClear(word)) return false;
  if (length != nullptr) {
    const std::uint32_t rate = SAMPLE_RATES[1][(word >> 10) & 0x3];
    *length = lengthFor(BIT_RATES[1][(word >> 12) & 0xF], rate) + ((word >> 9) & 1);
  }
  return true;
}

}  // namespace audiofile
