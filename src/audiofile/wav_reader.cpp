#include "audiofile/wav_reader.h"

#include <cstring>

#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_bytes.h"

namespace audiofile {

namespace {

// Where the header fields lie; the format chunk is assumed at offset 12.
constexpr std::size_t OFFSET_FORMAT_TAG = 20;
constexpr std::size_t OFFSET_CHANNELS = 22;
constexpr std::size_t OFFSET_RATE = 24;
constexpr std::size_t OFFSET_BITS = 34;
constexpr std::size_t OFFSET_EXTENSION_SIZE = 36;
constexpr std::size_t PCM_DATA_OFFSET = 36;
constexpr std::size_t MPEG_DATA_OFFSET = 36;  // plus the extension size
constexpr std::size_t DATA_SEARCH_POSITIONS = 4096;
constexpr std::size_t CHUNK_HEADER_BYTES = 8;

bool refuse(WavDescription& wav) {
  wav = WavDescription{};
  return false;
}

}  // namespace

std::uint32_t pcmBlockBytes(std::uint32_t channels) {
  return channels == 2 ? 2 * BLOCK_BYTES_PER_CHANNEL : BLOCK_BYTES_PER_CHANNEL;
}

bool parseWavHeader(const unsigned char* file, std::size_t size, WavDescription& wav) {
  wav = WavDescription{};
  if (file == nullptr || size < OFFSET_EXTENSION_SIZE || std::memcmp(file, "RIFF", 4) != 0)
    return refuse(wav);

  const std::uint16_t tag = loadLe16(file + OFFSET_FORMAT_TAG);
  std::size_t expected = 0;
  if (tag == WAVE_FORMAT_MPEG_LAYER3) {
    if (size < OFFSET_EXTENSION_SIZE + 2) return refuse(wav);
    wav.kind = KIND_MPEG;
    expected = MPEG_DATA_OFFSET + loadLe16(file + OFFSET_EXTENSION_SIZE);
  } else if (tag == WAVE_FORMAT_PCM && loadLe16(file + OFFSET_BITS) == 16) {
    wav.kind = KIND_PCM;
    expected = PCM_DATA_OFFSET;
  } else {
    return refuse(wav);
  }

  wav.channels = loadLe16(file + OFFSET_CHANNELS);
  wav.rate = loadLe32(file + OFFSET_RATE);
  // No channels would divide by zero below, and the block layout of the whole
  // import only knows one or two.
  if (wav.channels == 0 || wav.channels > 2) return refuse(wav);
  // A PCM rate of 0 would make the conversion ratio infinite.
  if (wav.kind == KIND_PCM && wav.rate == 0) return refuse(wav);

  std::size_t pos = expected;
  for (std::size_t tried = 0;; ++tried, ++pos) {
    // The chunk header must leave at least one byte of the file after it.
    if (tried > DATA_SEARCH_POSITIONS || pos + CHUNK_HEADER_BYTES >= size) return refuse(wav);
    if (std::memcmp(file + pos, "data", 4) == 0) break;
  }

  const std::uint32_t declared = loadLe32(file + pos + 4);
  if (declared == 0) return refuse(wav);
  const std::size_t start = pos + CHUNK_HEADER_BYTES;
  const std::size_t present = size - start;
  const std::size_t length = declared < present ? declared : present;

  wav.dataStart = file + start;
  wav.dataEnd = wav.dataStart + length;
  wav.cursor = wav.dataStart;
  wav.frames = static_cast<std::uint32_t>(length / (2 * wav.channels));
  return true;
}

std::uint32_t readPcmBlock(WavDescription& wav, void* out) {
  if (wav.kind != KIND_PCM || wav.cursor == nullptr) return 0;
  const std::uint32_t blockBytes = pcmBlockBytes(wav.channels);
  const auto remaining = static_cast<std::size_t>(wav.dataEnd - wav.cursor);
  if (remaining == 0) return 0;
  const std::size_t copied = remaining < blockBytes ? remaining : blockBytes;
  std::memcpy(out, wav.cursor, copied);
  if (copied < blockBytes)
    std::memset(static_cast<unsigned char*>(out) + copied, 0, blockBytes - copied);
  wav.cursor += copied;
  return static_cast<std::uint32_t>(copied / (2 * wav.channels));
}

}  // namespace audiofile
