// MP3 files through the track import: bare, with ID3 tags and inside a WAV
// file, at 44100 Hz (MPEG direct blocks) and at other rates (the converter's
// window refilled one decoded frame at a time).
#include <gtest/gtest.h>

#include "audiofile/audiofile_constants.h"
#include "audiofile/mpeg_test_util.h"
#include "audiofile/track_reader.h"
#include "platform/mapped_file.h"

namespace {

using audiofile::IMPORT_BLOCK_FRAMES;

struct Imported {
  bool opened = false;
  audiofile::SourceFormat format;
  std::uint32_t readMode = 0;
  std::uint64_t outputFrames = 0;
  std::vector<std::int16_t> samples;  // every block read until the end
};

Imported importFile(const std::string& path) {
  Imported result;
  audiofile::TrackReader reader(platform::MappedFile::map(path.c_str()));
  result.opened = reader.open();
  if (!result.opened) return result;
  result.format = reader.source()->format;
  result.readMode = reader.source()->readMode;
  result.outputFrames = reader.source()->outputFrames;
  std::vector<std::int16_t> block(reader.bytesPerBlock() / 2);
  bool ended = false;
  while (!ended) {
    const std::uint32_t bytes = reader.readBlock(block.data(), ended);
    result.samples.insert(result.samples.end(), block.begin(), block.begin() + bytes / 2);
  }
  return result;
}

class MpegImport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mpegtest::haveTool("lame")) GTEST_SKIP() << "lame is needed (scripts/install-deps)";
  }
  // Encodes a stream with lame and imports the file it wrote.
  Imported encodeAndImport(unsigned rate, unsigned channels, const std::string& lameOptions) {
    stream = mpegtest::makeMp3(dir, rate, channels, 1.5, lameOptions);
    EXPECT_FALSE(stream.empty());
    const Imported imported = importFile(dir.file("out.mp3"));
    EXPECT_TRUE(imported.opened);
    return imported;
  }
  testfiles::TempDir dir{"mpeg_import"};
  std::vector<unsigned char> stream;
};

TEST_F(MpegImport, At44100DecodesFramesStraightIntoBlocks) {
  const Imported imported = encodeAndImport(44100, 2, "-b 128 -m j");
  ASSERT_FALSE(HasFailure());
  const mpegtest::Decoded decoded = mpegtest::decodeStream(stream);
  EXPECT_EQ(imported.format.kind, audiofile::KIND_MPEG);
  EXPECT_EQ(imported.format.mpegVersion, 1u);
  EXPECT_EQ(imported.format.indexedFrames, decoded.frameCount);
  EXPECT_EQ(imported.readMode, audiofile::READ_MPEG_DIRECT);
  // lame's tag frame is not decoded, and its delay and padding are trimmed.
  ASSERT_EQ(imported.format.mpegTag, audiofile::MpegTagKind::Lame);
  const std::uint32_t skip = imported.format.encoderDelay + audiofile::MPEG_DECODER_DELAY;
  EXPECT_EQ(imported.format.frames, (decoded.frameCount - 1) * 1152 - imported.format.encoderDelay -
                                        imported.format.encoderPadding);
  // Whole blocks, the decoded frames first, then zeros.
  const std::size_t blocks =
      (imported.format.frames + IMPORT_BLOCK_FRAMES - 1) / IMPORT_BLOCK_FRAMES;
  ASSERT_EQ(imported.samples.size(), blocks * IMPORT_BLOCK_FRAMES * 2);
  // The raw decode holds the tag frame's silence in front.
  ASSERT_EQ(decoded.samples.size(), std::size_t{decoded.frameCount} * 1152 * 2);
  const auto start = decoded.samples.begin() + (1152 + skip) * 2;
  const auto length = static_cast<long>(imported.format.frames) * 2;
  EXPECT_TRUE(std::equal(start, start + length, imported.samples.begin()));
  EXPECT_TRUE(std::all_of(imported.samples.begin() + length, imported.samples.end(),
                          [](std::int16_t s) { return s == 0; }));
}

TEST_F(MpegImport, ReadsTaggedStreamsAndStreamsInsideWav) {
  const Imported bare = encodeAndImport(44100, 1, "-b 96 -m m");
  ASSERT_FALSE(HasFailure());

  // ID3v2 of 300 bytes in front, ID3v1 at the end.
  std::vector<unsigned char> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 44};
  tagged.resize(310, 0xFF);
  tagged.insert(tagged.end(), stream.begin(), stream.end());
  std::vector<unsigned char> v1(128, 0xFF);
  std::memcpy(v1.data(), "TAG", 3);
  tagged.insert(tagged.end(), v1.begin(), v1.end());

  // RIFF/WAVE with format tag 0x55 and a 12-byte format extension.
  std::vector<unsigned char> wav = testfiles::pcmWav(1, 44100, {});
  wav.insert(wav.begin() + 36, {12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  wav.insert(wav.end(), stream.begin(), stream.end());
  testfiles::putLe(wav, 4, static_cast<std::uint32_t>(wav.size() - 8));
  testfiles::putLe(wav, 16, 30);
  testfiles::putLe(wav, 20, 0x55, 2);
  testfiles::putLe(wav, 54, static_cast<std::uint32_t>(stream.size()));

  for (const auto& [name, bytes] : {std::pair{"tagged.mp3", tagged}, {"mp3.wav", wav}}) {
    SCOPED_TRACE(name);
    testfiles::writeFile(dir.file(name), bytes);
    const Imported imported = importFile(dir.file(name));
    ASSERT_TRUE(imported.opened);
    EXPECT_EQ(imported.format.kind, audiofile::KIND_MPEG);
    EXPECT_EQ(imported.samples, bare.samples);
  }
}

TEST_F(MpegImport, ConvertsA48000StreamTo44100) {
  const Imported imported = encodeAndImport(48000, 2, "-b 160 -m j");
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(imported.readMode, audiofile::READ_CONVERTED);
  EXPECT_EQ(imported.outputFrames, std::uint64_t{imported.format.frames} * 44100 / 48000);
  // The converter runs through every decoded frame: the output holds sound to
  // within a few frames of its end.
  const std::size_t last = static_cast<std::size_t>(imported.outputFrames) - 64;
  int tail = 0;
  for (std::size_t i = last - 2048; i < last; ++i)
    tail = std::max(tail, std::abs(int{imported.samples[2 * i]}));
  EXPECT_GT(tail, 1000);
}

// At 22050 Hz every second output frame falls on a source frame and is copied
// unchanged, so the whole decoded stream must reappear, across every refill
// of the converter's window.
TEST_F(MpegImport, DoublesA22050StreamKeepingEverySourceFrame) {
  const Imported imported = encodeAndImport(22050, 2, "-b 64 -m j --resample 22.05");
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(imported.format.mpegVersion, 2u);
  EXPECT_EQ(imported.outputFrames, std::uint64_t{imported.format.frames} * 2);
  const mpegtest::Decoded decoded = mpegtest::decodeStream(stream);
  // The raw decode starts with the tag frame and the trimmed delay.
  const std::size_t skip = 576 + imported.format.encoderDelay + audiofile::MPEG_DECODER_DELAY;
  const std::size_t frames = imported.format.frames;
  ASSERT_GE(decoded.samples.size() / 2, skip + frames);
  ASSERT_GE(imported.samples.size() / 2, 2 * (frames - 2));
  for (std::size_t k = 0; k + 2 < frames; ++k)
    for (int ch = 0; ch < 2; ++ch)
      ASSERT_EQ(imported.samples[4 * k + ch], decoded.samples[2 * (skip + k) + ch]) << k;
}

}  // namespace
