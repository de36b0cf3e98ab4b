// The encoder's tag frame at the start of an MP3 stream: a frame whose side
// information is followed by "Xing" or "Info" instead of audio, often with a
// LAME extension that states how many samples the encoder put in front of the
// audio (its delay) and after it (padding). The tag frame is not audio, and
// the two counts let a decoder give back exactly the samples that were
// encoded, at their original timing.
#pragma once

#include <cstdint>

namespace audiofile {

// Samples every Layer III decoder of this filterbank delays its output by;
// encoders count their delay and padding without it.
inline constexpr std::uint32_t MPEG_DECODER_DELAY = 529;

enum class MpegTagKind : std::uint8_t { None, Xing, Lame };

struct MpegEncoderTag {
  MpegTagKind kind = MpegTagKind::None;
  // Only with a LAME extension: samples per channel before and after the audio.
  std::uint32_t delay = 0;
  std::uint32_t padding = 0;
};

// Reads the tag of the stream's first frame (`length` bytes at `frame`).
MpegEncoderTag readEncoderTag(const unsigned char* frame, std::uint32_t length);

}  // namespace audiofile
