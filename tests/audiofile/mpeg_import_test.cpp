// MP3 files through the track import: bare, with ID3 tags and inside a WAV
// file, at 44100 Hz (MPEG direct blocks) and at other rates (the converter's
// window refilled one decoded frame at a time).
#include <gtest/gtest.h>

#include "audiofile/audiofile_constants.h"
#include "audiofile/mpeg_source.h"
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

  // ID3v2 of 310 bytes (a body of sync-like bytes) in front, ID3v1 at the end.
  std::vector<unsigned char> tagged = testfiles::id3v2Tag(310);
  std::fill(tagged.begin() + 10, tagged.end(), 0xFF);
  tagged.insert(tagged.end(), stream.begin(), stream.end());
  std::vector<unsigned char> v1(128, 0xFF);
  std::memcpy(v1.data(), "TAG", 3);
  tagged.insert(tagged.end(), v1.begin(), v1.end());

  // RIFF/WAVE with format tag 0x55 and a 12-byte format extension.
  testfiles::Chunk mpegFmt = testfiles::fmtChunk(0x55, 1, 44100, 16);
  mpegFmt.body.resize(30);
  const auto wav = testfiles::riffFile({mpegFmt, {"data", stream}});

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

namespace {

std::vector<std::int16_t> sourceSamples(audiofile::SourceStream& source) {
  const std::uint32_t channels = source.format().channels;
  std::vector<std::int16_t> all;
  std::vector<std::int16_t> block(IMPORT_BLOCK_FRAMES * channels);
  while (const std::uint32_t n = source.readDirectBlock(block.data()))
    all.insert(all.end(), block.begin(), block.begin() + n * channels);
  return all;
}

// The shift of `b` against `a`, in frames within +-range, at which they differ least.
long bestLag(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
             unsigned channels, long range) {
  const long from = 20000, to = 24000;  // frames in the middle of both
  long best = 0;
  double bestError = -1;
  for (long lag = -range; lag <= range; ++lag) {
    double error = 0;
    for (long i = from; i < to; ++i) error += std::abs(a[i * channels] - b[(i + lag) * channels]);
    if (bestError < 0 || error < bestError) {
      bestError = error;
      best = lag;
    }
  }
  return best;
}

struct GaplessCase {
  const char* name;
  unsigned rate;
  unsigned channels;
  const char* lameOptions;
};

class LameTagged : public MpegImport, public ::testing::WithParamInterface<GaplessCase> {};

// lame's tag frame states its delay and padding: without them the track
// would start with over a thousand samples of silence and run on past the
// end of what was encoded.
TEST_P(LameTagged, DecodesToTheLengthAndTimingOfTheWavItWasMadeFrom) {
  const GaplessCase& c = GetParam();
  stream = mpegtest::makeMp3(dir, c.rate, c.channels, 1.5, c.lameOptions);
  ASSERT_FALSE(stream.empty());
  const std::vector<std::int16_t> wav = mpegtest::synthSignal(c.rate, c.channels, 1.5);
  // The stream alone, at its own rate, without the rate converter.
  auto source = audiofile::openMpegSource(stream.data(), stream.size());
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->format().mpegTag, audiofile::MpegTagKind::Lame);
  EXPECT_EQ(source->format().frames, wav.size() / c.channels);
  const std::vector<std::int16_t> decoded = sourceSamples(*source);
  ASSERT_EQ(decoded.size(), wav.size());
  EXPECT_EQ(bestLag(wav, decoded, c.channels, 1200), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lame, LameTagged,
    ::testing::Values(GaplessCase{"cbr_44100_joint", 44100, 2, "-b 128 -m j"},
                      GaplessCase{"vbr_44100_mono", 44100, 1, "-V 4 -m m"},
                      GaplessCase{"cbr_48000_stereo", 48000, 2, "-b 160 -m s"},
                      GaplessCase{"mpeg2_22050_mono", 22050, 1, "-b 64 -m m --resample 22.05"}),
    [](const ::testing::TestParamInfo<GaplessCase>& info) { return std::string(info.param.name); });

// The frame index once stopped at 131072 frames and the decoder never output
// the last frame. A short stream without bit reservoir, then more than
// 131072 silent frames, then the short stream again, must come out whole:
// the second copy decodes to the same samples as the first, up to its last
// frame.
TEST_F(MpegImport, AStreamOfMoreThan131072FramesComesOutWhole) {
  const auto small = mpegtest::makeMp3(dir, 24000, 1, 0.5, "-b 8 -m m --nores --resample 24");
  ASSERT_FALSE(small.empty());
  audiofile::MpegScan scan;
  ASSERT_GT(scan.scan(small.data(), static_cast<std::uint32_t>(small.size())), 0u);
  const std::uint32_t count = scan.frameCount() - 1;  // after lame's tag frame
  const unsigned char* audio = scan.frameStart(1);
  const unsigned char* audioEnd = scan.frameStart(count) + scan.frameLength(count);
  constexpr std::uint32_t SILENT = 131072 + 8;
  std::vector<unsigned char> longStream(audio, audioEnd);
  for (std::uint32_t i = 0; i < SILENT; ++i)
    testfiles::appendMpegFrame(longStream, audiofile::headerWordAt(audio), scan.frameLength(1));
  longStream.insert(longStream.end(), audio, audioEnd);

  auto stream = audiofile::openMpegSource(longStream.data(), longStream.size());
  ASSERT_NE(stream, nullptr);
  const std::uint32_t total = 2 * count + SILENT;
  EXPECT_EQ(stream->format().indexedFrames, total);
  ASSERT_EQ(stream->format().frames, total * 576);
  // Only the two copies are kept: the whole track would be 150 MB.
  const std::size_t copy = std::size_t{count} * 576;
  const std::size_t lastFrom = std::size_t{total} * 576 - copy;
  std::vector<std::int16_t> block(IMPORT_BLOCK_FRAMES);
  std::vector<std::int16_t> first, last;
  std::size_t delivered = 0;
  while (const std::uint32_t n = stream->readDirectBlock(block.data())) {
    for (std::uint32_t i = 0; i < n; ++i, ++delivered) {
      if (delivered < copy) first.push_back(block[i]);
      if (delivered >= lastFrom) last.push_back(block[i]);
    }
  }
  EXPECT_EQ(delivered, std::size_t{total} * 576);
  EXPECT_EQ(last, first);
  EXPECT_TRUE(std::any_of(last.end() - 576, last.end(), [](std::int16_t v) { return v != 0; }));
}

}  // namespace
