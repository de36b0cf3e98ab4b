// One kind of audio data a track source can read: PCM out of a WAV file, or an
// MPEG stream (bare or in a WAV file). It delivers blocks at its own rate and
// offers the window the rate converter interpolates in when that rate is not
// 44100 Hz.
#pragma once

#include <cstdint>

#include "audiofile/converter_window.h"
#include "audiofile/mpeg_tag.h"

namespace audiofile {

struct SourceFormat {
  // KIND_PCM or KIND_MPEG.
  std::uint32_t kind = 0;
  std::uint32_t channels = 0;
  std::uint32_t rate = 0;
  // Source length in frames at its own rate.
  std::uint32_t frames = 0;
  // MPEG sources: 1 for MPEG-1, 2 for MPEG-2, and the frames the scan indexed.
  std::uint32_t mpegVersion = 0;
  std::uint32_t indexedFrames = 0;
  // MPEG sources: the encoder's tag frame, and the delay and padding its LAME
  // extension states (trimmed, with the decoder's own delay, from `frames`).
  MpegTagKind mpegTag = MpegTagKind::None;
  std::uint32_t encoderDelay = 0;
  std::uint32_t encoderPadding = 0;
};

class SourceStream {
 public:
  virtual ~SourceStream() = default;

  const SourceFormat& format() const { return format_; }

  // Writes one block of IMPORT_BLOCK_FRAMES frames at the source's own rate
  // (pcmBlockBytes(channels) bytes) into `dest`, padding a short block with
  // zeros, and returns the frames that came from the source; 0 at the end.
  virtual std::uint32_t readDirectBlock(std::int16_t* dest) = 0;

  // The window for the rate converter; lives as long as the stream.
  virtual ConverterWindow& converterWindow() = 0;

 protected:
  SourceFormat format_;
};

}  // namespace audiofile
