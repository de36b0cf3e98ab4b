#include "audiofile/mpeg_tag.h"

#include <cstring>
#include <initializer_list>

#include "audiofile/mpeg_header.h"

namespace audiofile {

namespace {

constexpr std::uint32_t HEADER_BYTES = 4;
constexpr std::uint32_t CRC_BYTES = 2;
// Xing fields after the 4-byte identifier and flags: frame count, byte count,
// 100-entry seek table, quality, each present when its flag bit is set.
constexpr std::uint32_t XING_FIELD_BYTES[4] = {4, 4, 100, 4};
// Within the LAME extension: the encoder's name, then 12-bit delay and
// padding in three bytes at this offset.
constexpr std::uint32_t LAME_NAME_BYTES = 4;
constexpr std::uint32_t LAME_DELAYS_AT = 21;
constexpr std::uint32_t LAME_DELAYS_END = LAME_DELAYS_AT + 3;

std::uint32_t sideInfoBytes(const MpegHeader& h) {
  return h.mpeg1 ? (h.channels == 1 ? 17u : 32u) : (h.channels == 1 ? 9u : 17u);
}

std::uint32_t loadBe32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// An encoder name such as "LAME3.100" or "Lavc60.3": a zeroed or random
// area is not taken for one.
bool encoderName(const unsigned char* p) {
  for (std::uint32_t i = 0; i < LAME_NAME_BYTES; ++i) {
    const unsigned char c = p[i];
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

MpegEncoderTag readEncoderTag(const unsigned char* frame, std::uint32_t length) {
  MpegEncoderTag tag;
  if (frame == nullptr || length < HEADER_BYTES) return tag;
  const std::uint32_t word = headerWordAt(frame);
  if (!isUsableLayer3Header(word)) return tag;
  const MpegHeader h = decodeMpegHeader(word);
  // Encoders put the identifier right after the side information, some
  // after the CRC word as well.
  for (const std::uint32_t crc : {h.crc ? CRC_BYTES : 0u, 0u}) {
    const std::uint32_t at = HEADER_BYTES + crc + sideInfoBytes(h);
    if (at + 8 > length) continue;
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0)
      continue;
    tag.kind = MpegTagKind::Xing;
    const std::uint32_t flags = loadBe32(frame + at + 4);
    std::uint32_t lame = at + 8;
    for (std::uint32_t bit = 0; bit < 4; ++bit)
      if ((flags & (1u << bit)) != 0) lame += XING_FIELD_BYTES[bit];
    if (lame + LAME_DELAYS_END <= length && encoderName(frame + lame)) {
      const unsigned char* d = frame + lame + LAME_DELAYS_AT;
      tag.kind = MpegTagKind::Lame;
      tag.delay = std::uint32_t{d[0]} << 4 | d[1] >> 4;
      tag.padding = (std::uint32_t{d[1]} & 0x0F) << 8 | d[2];
    }
    return tag;
  }
  return tag;
}

}  // namespace audiofile
