// The RIFF/WAVE header parser and the PCM block reader. Both work on a file
// already mapped into memory and never read outside [file, file + size).
//
// The parser walks the file's chunks in order, wherever "fmt " and "data"
// lie, passing over "JUNK", "bext", "LIST", "id3 " and any other chunk (odd
// sizes padded to even). Accepted: PCM of 8 (unsigned), 16, 24 or 32 bits,
// 32-bit IEEE float, each also as WAVE_FORMAT_EXTENSIBLE, and MPEG Layer 3
// carried in WAV (tag 0x55); one or two channels. The block reader delivers
// every sample format as 16-bit samples (see sample_format.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "audiofile/import_refusal.h"
#include "audiofile/sample_format.h"

namespace audiofile {

struct WavDescription {
  std::uint32_t channels = 0;
  std::uint32_t rate = 0;
  // data length / bytes per frame, rounded down.
  std::uint32_t frames = 0;
  // KIND_PCM, KIND_MPEG, or KIND_NONE when the file was refused.
  std::uint32_t kind = 0;
  SampleEncoding encoding = SampleEncoding::Int16;
  // Bytes of one frame in the file: channels x bytes per sample.
  std::uint32_t frameBytes = 0;
  // First byte after the data chunk's 8-byte header.
  const unsigned char* dataStart = nullptr;
  // Next byte the block reader delivers.
  const unsigned char* cursor = nullptr;
  // dataStart + the data length (the declared size clipped to the file).
  const unsigned char* dataEnd = nullptr;
  Dither dither;
};

// Fills `wav` from the header of the mapped file. False (kind KIND_NONE, and
// the reason in `why` when given) when the file is refused: not RIFF/WAVE, no
// "fmt " chunk, a format or bit depth not listed above, no channels or more
// than two, a PCM rate of 0, no "data" chunk, or one without a whole frame.
bool parseWavHeader(const unsigned char* file, std::size_t size, WavDescription& wav,
                    ImportRefusal* why = nullptr);

// Delivers the next block of IMPORT_BLOCK_FRAMES frames (9216 bytes per
// channel) as 16-bit samples into `out` and returns the frames that came from
// the file; a short last block is padded with zero bytes. Returns 0, writing
// nothing, at the end.
std::uint32_t readPcmBlock(WavDescription& wav, void* out);

// Converts up to `maxFrames` whole frames from the cursor on into `out` as
// 16-bit samples and advances the cursor; the frames converted.
std::uint32_t convertPcmFrames(WavDescription& wav, std::int16_t* out, std::uint32_t maxFrames);

// Bytes of one import block for a channel count: 18432 for two, 9216 otherwise.
std::uint32_t pcmBlockBytes(std::uint32_t channels);

}  // namespace audiofile
