#include "audiofile/wav_reader.h"

#include <cstring>

#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_bytes.h"

namespace audiofile {

namespace {

constexpr std::size_t CHUNK_HEADER_BYTES = 8;
constexpr std::size_t RIFF_HEADER_BYTES = 12;
// The fields of a "fmt " chunk body.
constexpr std::size_t FMT_TAG = 0;
constexpr std::size_t FMT_CHANNELS = 2;
constexpr std::size_t FMT_RATE = 4;
constexpr std::size_t FMT_BITS = 14;
constexpr std::size_t FMT_BASIC_BYTES = 16;
constexpr std::size_t FMT_SUBFORMAT = 24;
constexpr std::size_t FMT_EXTENSIBLE_BYTES = 40;
constexpr std::uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr std::uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;
// The sub-format GUID after its leading format tag: the same for every tag.
constexpr unsigned char SUBFORMAT_GUID_TAIL[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// When the chunk sizes lead nowhere, "data" is still looked for this far
// after the format chunk, as files with a damaged chunk before it need.
constexpr std::size_t DATA_SEARCH_POSITIONS = 4096;

struct Chunks {
  const unsigned char* fmt = nullptr;
  std::size_t fmtBytes = 0;
  std::size_t dataHeader = 0;  // offset of the "data" identifier, 0 when not found
  std::size_t afterFmt = 0;
};

bool plausibleId(const unsigned char* p) {
  for (int i = 0; i < 4; ++i)
    if (p[i] < 0x20 || p[i] > 0x7E) return false;
  return true;
}

Chunks walkChunks(const unsigned char* file, std::size_t size) {
  Chunks c;
  std::size_t pos = RIFF_HEADER_BYTES;
  while (pos + CHUNK_HEADER_BYTES <= size) {
    const unsigned char* id = file + pos;
    const std::uint64_t body = pos + CHUNK_HEADER_BYTES;
    const std::uint32_t declared = loadLe32(id + 4);
    if (std::memcmp(id, "fmt ", 4) == 0 && c.fmt == nullptr) {
      c.fmt = file + body;
      c.fmtBytes = declared < size - body ? declared : size - body;
      c.afterFmt = body + c.fmtBytes;
    } else if (std::memcmp(id, "data", 4) == 0 && c.dataHeader == 0) {
      c.dataHeader = pos;
      if (c.fmt != nullptr) return c;
    }
    std::uint64_t next = body + declared + (declared & 1);
    // Some writers leave an odd chunk unpadded.
    if ((declared & 1) != 0 && next + 4 <= size && !plausibleId(file + next) &&
        plausibleId(file + next - 1))
      --next;
    if (next + CHUNK_HEADER_BYTES > size) break;
    pos = static_cast<std::size_t>(next);
  }
  if (c.fmt != nullptr && c.dataHeader == 0) {
    for (std::size_t p = c.afterFmt, tried = 0;
         tried <= DATA_SEARCH_POSITIONS && p + CHUNK_HEADER_BYTES < size; ++p, ++tried) {
      if (std::memcmp(file + p, "data", 4) == 0) {
        c.dataHeader = p;
        break;
      }
    }
  }
  return c;
}

// The sample encoding of a PCM or float format, or a refusal.
bool sampleEncoding(std::uint16_t tag, std::uint16_t bits, SampleEncoding& encoding,
                    ImportRefusal* why) {
  if (tag == WAVE_FORMAT_IEEE_FLOAT) {
    if (bits != 32) return refuse(why, ImportReason::BitDepth, bits);
    encoding = SampleEncoding::Float32;
    return true;
  }
  switch (bits) {
    case 8:
      encoding = SampleEncoding::UInt8;
      return true;
    case 16:
      encoding = SampleEncoding::Int16;
      return true;
    case 24:
      encoding = SampleEncoding::Int24;
      return true;
    case 32:
      encoding = SampleEncoding::Int32;
      return true;
    default:
      return refuse(why, ImportReason::BitDepth, bits);
  }
}

bool refused(WavDescription& wav, ImportRefusal* why, ImportReason reason,
             std::uint32_t detail = 0) {
  wav = WavDescription{};
  return refuse(why, reason, detail);
}

}  // namespace

std::uint32_t pcmBlockBytes(std::uint32_t channels) {
  return channels == 2 ? 2 * BLOCK_BYTES_PER_CHANNEL : BLOCK_BYTES_PER_CHANNEL;
}

bool parseWavHeader(const unsigned char* file, std::size_t size, WavDescription& wav,
                    ImportRefusal* why) {
  wav = WavDescription{};
  if (file == nullptr || size < RIFF_HEADER_BYTES || std::memcmp(file, "RIFF", 4) != 0)
    return refused(wav, why, ImportReason::NotAudio);
  if (std::memcmp(file + 8, "WAVE", 4) != 0) return refused(wav, why, ImportReason::NotWave);

  const Chunks chunks = walkChunks(file, size);
  if (chunks.fmt == nullptr || chunks.fmtBytes < FMT_BASIC_BYTES)
    return refused(wav, why, ImportReason::NoFormat);
  const unsigned char* fmt = chunks.fmt;
  std::uint16_t tag = loadLe16(fmt + FMT_TAG);
  if (tag == WAVE_FORMAT_EXTENSIBLE) {
    if (chunks.fmtBytes < FMT_EXTENSIBLE_BYTES ||
        std::memcmp(fmt + FMT_SUBFORMAT + 2, SUBFORMAT_GUID_TAIL, sizeof SUBFORMAT_GUID_TAIL) != 0)
      return refused(wav, why, ImportReason::FormatTag, tag);
    tag = loadLe16(fmt + FMT_SUBFORMAT);
  }
  if (tag == WAVE_FORMAT_MPEG_LAYER3) {
    wav.kind = KIND_MPEG;
  } else if (tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT) {
    if (!sampleEncoding(tag, loadLe16(fmt + FMT_BITS), wav.encoding, why)) {
      wav = WavDescription{};
      return false;
    }
    wav.kind = KIND_PCM;
  } else {
    return refused(wav, why, ImportReason::FormatTag, tag);
  }

  wav.channels = loadLe16(fmt + FMT_CHANNELS);
  wav.rate = loadLe32(fmt + FMT_RATE);
  // No channels would divide by zero below, and the block layout of the whole
  // import only knows one or two.
  if (wav.channels == 0 || wav.channels > 2)
    return refused(wav, why, ImportReason::Channels, wav.channels);
  // A PCM rate of 0 would make the conversion ratio infinite.
  if (wav.kind == KIND_PCM && wav.rate == 0) return refused(wav, why, ImportReason::NoRate);
  if (chunks.dataHeader == 0) return refused(wav, why, ImportReason::NoData);

  const std::uint32_t declared = loadLe32(file + chunks.dataHeader + 4);
  const std::size_t start = chunks.dataHeader + CHUNK_HEADER_BYTES;
  const std::size_t present = size - start;
  const std::size_t length = declared < present ? declared : present;
  wav.frameBytes = wav.channels * bytesPerSample(wav.encoding);
  wav.frames = static_cast<std::uint32_t>(length / wav.frameBytes);
  // A 16-bit file keeps the bytes of a last partial frame, as it always has;
  // other formats need a whole frame to have anything.
  if (declared == 0 || length == 0 || (wav.kind == KIND_PCM && wav.frames == 0))
    return refused(wav, why, ImportReason::EmptyData);

  wav.dataStart = file + start;
  wav.dataEnd = wav.dataStart + length;
  wav.cursor = wav.dataStart;
  return true;
}

std::uint32_t convertPcmFrames(WavDescription& wav, std::int16_t* out, std::uint32_t maxFrames) {
  if (wav.kind != KIND_PCM || wav.cursor == nullptr) return 0;
  const std::size_t available = static_cast<std::size_t>(wav.dataEnd - wav.cursor) / wav.frameBytes;
  const auto frames = static_cast<std::uint32_t>(available < maxFrames ? available : maxFrames);
  convertSamples(wav.encoding, wav.cursor, std::size_t{frames} * wav.channels, out, wav.dither);
  wav.cursor += std::size_t{frames} * wav.frameBytes;
  return frames;
}

std::uint32_t readPcmBlock(WavDescription& wav, void* out) {
  if (wav.kind != KIND_PCM || wav.cursor == nullptr) return 0;
  const std::uint32_t blockBytes = pcmBlockBytes(wav.channels);
  const auto remaining = static_cast<std::size_t>(wav.dataEnd - wav.cursor);
  // Part of a frame left after the last whole block is the end too.
  if (remaining < wav.frameBytes) return 0;
  auto* bytes = static_cast<unsigned char*>(out);
  if (wav.encoding == SampleEncoding::Int16) {
    const std::size_t copied = remaining < blockBytes ? remaining : blockBytes;
    std::memcpy(out, wav.cursor, copied);
    if (copied < blockBytes) std::memset(bytes + copied, 0, blockBytes - copied);
    wav.cursor += copied;
    return static_cast<std::uint32_t>(copied / (2 * wav.channels));
  }
  const std::uint32_t frames =
      convertPcmFrames(wav, static_cast<std::int16_t*>(out), IMPORT_BLOCK_FRAMES);
  if (frames == 0) return 0;
  const std::size_t written = std::size_t{frames} * 2 * wav.channels;
  std::memset(bytes + written, 0, blockBytes - written);
  return frames;
}

}  // namespace audiofile
