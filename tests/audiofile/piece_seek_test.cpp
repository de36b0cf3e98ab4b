// A reader started at any block gives the bytes a reader from the start gives
// there, on every conformance stream and every stream made here.
#include "audiofile/piece_test_files.h"

namespace {

using namespace piecetest;

TEST_F(PieceReading, AReaderStartedAtAnyBlockGivesTheBytesOfOneFromTheStart) {
  const std::vector<int> begins = mainDataBegins(reservoirHeavy);
  ASSERT_FALSE(begins.empty());
  EXPECT_GT(std::count_if(begins.begin(), begins.end(), [](int b) { return b > 0; }) * 2,
            static_cast<long>(begins.size()));

  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    auto whole = openReader(path);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(whole->source()->startsAnywhere());
    const std::uint64_t blocks = whole->blockCount();
    std::vector<std::uint32_t> wholeBytes;
    const std::vector<std::int16_t> all = readBlocks(*whole, blocks + 1, wholeBytes);
    const std::size_t perBlock = whole->bytesPerBlock() / 2;
    // Every block of a short stream, some 40 spread over a long one; two
    // blocks after each cut, and from three cuts on to the end.
    const std::uint64_t stride = blocks / 40 + 1;
    for (std::uint64_t cut = 1; cut < blocks; cut += stride) {
      auto part = openReader(path);
      ASSERT_TRUE(part);
      if (!part->seekBlock(cut)) {
        // Only past the end of what the source delivers (a stream whose
        // first frames cannot be decoded comes out shorter than announced).
        EXPECT_TRUE(cut >= wholeBytes.size() || wholeBytes[cut] == 0) << "block " << cut;
        continue;
      }
      const bool toEnd = cut == 1 || cut == blocks / 2 || cut + stride >= blocks;
      std::vector<std::uint32_t> bytes;
      const std::vector<std::int16_t> got = readBlocks(*part, toEnd ? blocks : 2, bytes);
      ASSERT_TRUE(std::equal(got.begin(), got.end(), all.begin() + cut * perBlock))
          << "block " << cut;
      if (toEnd) {
        EXPECT_EQ(bytes, std::vector<std::uint32_t>(wholeBytes.begin() + cut, wholeBytes.end()));
      }
    }
    EXPECT_FALSE(openReader(path)->seekBlock(blocks));
  }
}

}  // namespace
