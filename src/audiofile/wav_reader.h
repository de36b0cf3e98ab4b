// The RIFF/WAVE header parser and the PCM block reader. Both work on a file
// already mapped into memory and never read outside [file, file + size).
// Accepted: 16-bit PCM (tag 1) and MPEG Layer 3 carried in WAV (tag 0x55),
// one or two channels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace audiofile {

struct WavDescription {
  std::uint32_t channels = 0;
  std::uint32_t rate = 0;
  // data length / (2 x channels), rounded down.
  std::uint32_t frames = 0;
  // KIND_PCM, KIND_MPEG, or KIND_NONE when the file was refused.
  std::uint32_t kind = 0;
  // First byte after the data chunk's 8-byte header.
  const unsigned char* dataStart = nullptr;
  // Next byte the block reader delivers.
  const unsigned char* cursor = nullptr;
  // dataStart + the data length (the declared size clipped to the file).
  const unsigned char* dataEnd = nullptr;
};

// Fills `wav` from the header of the mapped file. False (and kind KIND_NONE)
// when the file is refused: not RIFF, a format tag other than 1 or 0x55, PCM
// of other than 16 bits, no channels or more than two, a PCM rate of 0, no
// "data" chunk within 4096 positions of where it is expected, or a declared
// data size of 0. The format chunk is taken to start at offset 12.
bool parseWavHeader(const unsigned char* file, std::size_t size, WavDescription& wav);

// Copies the next block of IMPORT_BLOCK_FRAMES frames (9216 bytes per channel)
// into `out` and returns the frames that came from the file; a short last
// block is padded with zero bytes. Returns 0, writing nothing, at the end.
std::uint32_t readPcmBlock(WavDescription& wav, void* out);

// Bytes of one import block for a channel count: 18432 for two, 9216 otherwise.
std::uint32_t pcmBlockBytes(std::uint32_t channels);

}  // namespace audiofile
