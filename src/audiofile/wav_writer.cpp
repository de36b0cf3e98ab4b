#include "audiofile/wav_writer.h"

#include <cerrno>
#include <cstring>

#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_bytes.h"

namespace audiofile {

namespace {

constexpr std::uint32_t FORMAT_CHUNK_SIZE = 18;
constexpr std::uint32_t FACT_UNSET = 0xFFFFFFFF;
constexpr std::uint64_t OFFSET_RIFF_SIZE = 4;
constexpr std::uint64_t OFFSET_FACT_VALUE = 46;
constexpr std::uint64_t OFFSET_DATA_SIZE = 54;
// The RIFF size field counts everything after its own 8 bytes.
constexpr std::uint64_t RIFF_OVERHEAD = WAV_WRITER_DATA_OFFSET - 8;
constexpr std::uint64_t MAX_RIFF_SIZE = 0xFFFFFFFFull;

void fillHeader(unsigned char* h, std::uint32_t channels, std::uint32_t rate) {
  const std::uint32_t blockAlign = channels * 2;
  std::memcpy(h, "RIFF", 4);
  storeLe32(h + 4, 0);
  std::memcpy(h + 8, "WAVE", 4);
  std::memcpy(h + 12, "fmt ", 4);
  storeLe32(h + 16, FORMAT_CHUNK_SIZE);
  storeLe16(h + 20, WAVE_FORMAT_PCM);
  storeLe16(h + 22, static_cast<std::uint16_t>(channels));
  storeLe32(h + 24, rate);
  storeLe32(h + 28, rate * blockAlign);
  storeLe16(h + 32, static_cast<std::uint16_t>(blockAlign));
  storeLe16(h + 34, 16);
  storeLe16(h + 36, 0);
  std::memcpy(h + 38, "fact", 4);
  storeLe32(h + 42, 4);
  storeLe32(h + 46, FACT_UNSET);
  std::memcpy(h + 50, "data", 4);
  storeLe32(h + 54, 0);
}

}  // namespace

WavWriter::~WavWriter() {
  finish();
}

bool WavWriter::writeAt(const void* bytes, std::uint64_t count, std::uint64_t offset) {
  if (file_.writeAt(bytes, count, offset)) return true;
  lastError_ = file_.lastError();
  return false;
}

bool WavWriter::create(const char* path, std::uint32_t channels, std::uint32_t sampleRate,
                       bool exclusive) {
  if (file_.isOpen() || path == nullptr || channels < 1 || channels > 2 || sampleRate == 0 ||
      sampleRate > 0xFFFFFFFFu / (2 * channels))
    return false;
  lastError_ = 0;
  if (!file_.create(path, exclusive)) {
    lastError_ = file_.lastError();
    return false;
  }
  unsigned char header[WAV_WRITER_DATA_OFFSET];
  fillHeader(header, channels, sampleRate);
  if (!writeAt(header, sizeof header, 0)) {
    // Remove what could not be set up, but never a device or other special
    // file that happened to be named.
    const bool regular = file_.isRegular();
    file_.close();
    if (regular) platform::removeFile(path);
    return false;
  }
  total_ = 0;
  dataBytes_ = 0;
  lastFinishComplete_ = false;
  return true;
}

std::uint32_t WavWriter::writeBlock(const void* block, std::uint32_t size,
                                    std::uint32_t& accepted) {
  accepted = 0;
  if (!file_.isOpen() || (block == nullptr && size != 0)) return WAV_ERR_CANNOT_WRITE;
  // Room for the block and a pad byte within what the RIFF size can count.
  if (RIFF_OVERHEAD + dataBytes_ + size + 1 > MAX_RIFF_SIZE) {
    lastError_ = EFBIG;
    return WAV_ERR_CANNOT_WRITE;
  }
  const std::uint64_t at = WAV_WRITER_DATA_OFFSET + dataBytes_;
  if (!writeAt(block, size, at)) {
    // Leave the file as it was before the block rather than with part of it.
    if (!file_.truncate(at)) {
      // The data chunk's size field is patched from dataBytes_ at finish, so
      // stray bytes past it are outside every chunk and harmless to readers.
    }
    return WAV_ERR_CANNOT_WRITE;
  }
  dataBytes_ += size;
  accepted = size;
  return WAV_WRITE_OK;
}

std::uint32_t WavWriter::finish() {
  if (!file_.isOpen()) return 0;
  bool complete = true;
  unsigned char field[4];

  // Close "data": record its size and pad an odd size to an even length,
  // then close the RIFF chunk around everything.
  const std::uint64_t pad = dataBytes_ & 1;
  if (pad != 0) {
    const unsigned char zero = 0;
    complete = writeAt(&zero, 1, WAV_WRITER_DATA_OFFSET + dataBytes_);
  }
  if (complete) {
    storeLe32(field, static_cast<std::uint32_t>(dataBytes_));
    complete = writeAt(field, 4, OFFSET_DATA_SIZE);
  }
  if (complete) {
    storeLe32(field, static_cast<std::uint32_t>(RIFF_OVERHEAD + dataBytes_ + pad));
    complete = writeAt(field, 4, OFFSET_RIFF_SIZE);
  }
  if (complete) {
    storeLe32(field, total_ / 2);
    complete = writeAt(field, 4, OFFSET_FACT_VALUE);
  }
  if (!file_.close()) {
    lastError_ = file_.lastError();
    complete = false;
  }
  lastFinishComplete_ = complete;
  return total_;
}

}  // namespace audiofile
