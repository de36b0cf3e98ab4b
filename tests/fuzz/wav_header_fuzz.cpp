// Fuzz target: the WAV header and chunk walk, the PCM block reader over what
// it describes, then the whole track import of the same file.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_reader.h"
#include "fuzz_check.h"
#include "import_check.h"

namespace {

constexpr unsigned char MARKER = 0xA5;

void readEveryBlock(audiofile::WavDescription wav) {
  const std::uint32_t blockBytes = audiofile::pcmBlockBytes(wav.channels);
  std::vector<unsigned char> block(blockBytes);
  std::vector<unsigned char> other(blockBytes);
  audiofile::WavDescription twin = wav;
  std::uint64_t frames = 0;
  for (;;) {
    std::fill(block.begin(), block.end(), MARKER);
    std::fill(other.begin(), other.end(), static_cast<unsigned char>(~MARKER));
    const std::uint32_t got = audiofile::readPcmBlock(wav, block.data());
    FUZZ_CHECK(audiofile::readPcmBlock(twin, other.data()) == got);
    if (got == 0) {
      // The end writes nothing.
      FUZZ_CHECK(
          std::all_of(block.begin(), block.end(), [](unsigned char c) { return c == MARKER; }));
      break;
    }
    FUZZ_CHECK(got <= audiofile::IMPORT_BLOCK_FRAMES);
    // Every byte written, the zero padding of a short block included.
    FUZZ_CHECK(block == other);
    frames += got;
    FUZZ_CHECK(frames <= wav.frames);
    FUZZ_CHECK(wav.cursor >= wav.dataStart && wav.cursor <= wav.dataEnd);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<unsigned char[]> file(new unsigned char[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(file.get(), data, size);
  audiofile::WavDescription wav;
  audiofile::ImportRefusal why;
  if (audiofile::parseWavHeader(file.get(), size, wav, &why)) {
    const unsigned char* end = file.get() + size;
    FUZZ_CHECK(wav.channels == 1 || wav.channels == 2);
    FUZZ_CHECK(wav.dataStart >= file.get() && wav.dataStart <= wav.dataEnd && wav.dataEnd <= end);
    FUZZ_CHECK(wav.cursor == wav.dataStart);
    if (wav.kind == audiofile::KIND_PCM) {
      FUZZ_CHECK(wav.rate > 0 && wav.frameBytes > 0 && wav.frames > 0);
      FUZZ_CHECK(std::uint64_t{wav.frames} * wav.frameBytes <=
                 static_cast<std::uint64_t>(wav.dataEnd - wav.dataStart));
      readEveryBlock(wav);
    } else {
      FUZZ_CHECK(wav.kind == audiofile::KIND_MPEG);
    }
  } else {
    FUZZ_CHECK(wav.kind == audiofile::KIND_NONE);
    FUZZ_CHECK(why.reason != audiofile::ImportReason::None);
  }
  fuzz::importWholeTrack(data, size);
  return 0;
}
