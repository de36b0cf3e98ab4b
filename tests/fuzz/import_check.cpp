#include "import_check.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_source.h"
#include "fuzz_check.h"

namespace fuzz {

namespace {

// Two imports of the same file run side by side, one writing into blocks
// filled with each marker: a decode is deterministic, so a position holding
// its own run's marker in both was never written.
constexpr std::int16_t MARKER_A = 0x5A5A;
constexpr std::int16_t MARKER_B = -0x2BCD;
// A small file at a very low rate converts into a huge track; its first
// blocks exercise the same code as the rest, so the check stops there.
constexpr std::uint64_t MAX_CHECKED_BLOCKS = 16;

std::unique_ptr<audiofile::TrackSource> open(const unsigned char* file, std::size_t size) {
  audiofile::ImportRefusal why;
  std::unique_ptr<audiofile::TrackSource> source = audiofile::openTrackSource(file, size, &why);
  FUZZ_CHECK(source || why.reason != audiofile::ImportReason::None);
  return source;
}

}  // namespace

std::uint64_t importWholeTrack(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<unsigned char[]> file(new unsigned char[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(file.get(), data, size);
  std::unique_ptr<audiofile::TrackSource> a = open(file.get(), size);
  if (!a) return 0;
  std::unique_ptr<audiofile::TrackSource> b = open(file.get(), size);
  FUZZ_CHECK(b != nullptr);

  const std::uint32_t channels = a->format.channels;
  FUZZ_CHECK(channels == 1 || channels == 2);
  // Nothing left after trimming: the track reader refuses the file as empty.
  if (a->blockCount == 0) return 0;
  FUZZ_CHECK(a->outputFrames <= a->blockCount * audiofile::IMPORT_BLOCK_FRAMES);

  // Exactly one block each, so a write past it is a sanitizer report.
  const std::size_t blockSamples = std::size_t{audiofile::IMPORT_BLOCK_FRAMES} * channels;
  std::vector<std::int16_t> blockA(blockSamples);
  std::vector<std::int16_t> blockB(blockSamples);
  std::uint64_t delivered = 0;
  std::uint64_t blocks = 0;
  for (;;) {
    std::fill(blockA.begin(), blockA.end(), MARKER_A);
    std::fill(blockB.begin(), blockB.end(), MARKER_B);
    const std::uint32_t frames = a->readBlock(blockA.data());
    FUZZ_CHECK(b->readBlock(blockB.data()) == frames);
    if (frames == 0) break;
    ++blocks;
    if (blocks > MAX_CHECKED_BLOCKS) break;
    FUZZ_CHECK(blocks <= a->blockCount);
    FUZZ_CHECK(frames <= audiofile::IMPORT_BLOCK_FRAMES);
    delivered += frames;
    FUZZ_CHECK(delivered <= a->outputFrames);
    for (std::size_t i = 0; i < blockSamples; ++i)
      FUZZ_CHECK(!(blockA[i] == MARKER_A && blockB[i] == MARKER_B));
    FUZZ_CHECK(blockA == blockB);
  }
  return delivered;
}

}  // namespace fuzz
