#include "audiofile/track_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/audiofile_constants.h"
#include "audiofile/track_source.h"
#include "platform/mapped_read_guard.h"

namespace {

using audiofile::IMPORT_BLOCK_FRAMES;
using testfiles::TempDir;

class TrackImport : public ::testing::Test {
 protected:
  TempDir dir{"track_reader"};
};

// The samples and the zeros after them are checked through `cantora-cli
// decode`; here the block counts, the ended flag and the mapping's release.
TEST_F(TrackImport, PcmAt44100EndsWithTheLastOfThreeWholeBlocks) {
  const std::string path = dir.file("s44.wav");
  ASSERT_TRUE(testfiles::soxSynth(path, 44100, 2, 10000));
  auto file = platform::MappedFile::map(path.c_str());
  platform::MappedFile* mapping = file.get();
  audiofile::TrackReader reader(std::move(file));
  ASSERT_TRUE(reader.open());
  EXPECT_EQ(reader.channels(), 2u);
  EXPECT_EQ(reader.bytesPerBlock(), 18432u);
  EXPECT_EQ(reader.blockCount(), 3u);
  EXPECT_EQ(reader.source()->readMode, audiofile::READ_PCM_DIRECT);
  std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES);
  for (int b = 0; b < 3; ++b) {
    bool ended = b < 2;
    EXPECT_EQ(reader.readBlock(block.data(), ended), 18432u);
    EXPECT_EQ(ended, b == 2);
    EXPECT_EQ(mapping->size() == 0, b == 2) << "the mapping goes with the last block";
  }
  bool ended = false;
  EXPECT_EQ(reader.readBlock(block.data(), ended), 0u);
  EXPECT_TRUE(ended);
}

TEST_F(TrackImport, At48000TheConverterGives441000FramesIn96Blocks) {
  const std::string path = dir.file("s48.wav");
  ASSERT_TRUE(testfiles::soxSynth(path, 48000, 2, 480000));
  auto file = platform::MappedFile::map(path.c_str());
  auto source = audiofile::openTrackSource(file->data(), file->size());
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->readMode, audiofile::READ_CONVERTED);
  EXPECT_EQ(source->outputFrames, 441000u);
  EXPECT_EQ(source->blockCount, 96u);
  std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES);
  std::vector<std::uint32_t> frames;
  while (std::uint32_t n = source->readBlock(block.data())) frames.push_back(n);
  ASSERT_EQ(frames.size(), 96u);
  EXPECT_EQ(frames.back(), 3239u);
  EXPECT_TRUE(std::all_of(frames.begin(), frames.end() - 1,
                          [](std::uint32_t n) { return n == IMPORT_BLOCK_FRAMES; }));
}

// 24-bit, 32-bit and float files whose samples a 16-bit file holds exactly
// import exactly as that file does: directly at 44100 Hz, and at 48000 Hz
// through the converter's window, refilled many times over.
TEST_F(TrackImport, WiderFormatsImportAsThe16BitFileOfTheSameSamples) {
  std::mt19937 gen(3);
  std::vector<std::int16_t> samples(2 * 30000);
  for (auto& v : samples) v = static_cast<std::int16_t>(gen());
  auto readAll = [](const std::vector<unsigned char>& bytes) {
    std::vector<std::int16_t> all;
    auto source = audiofile::openTrackSource(bytes.data(), bytes.size());
    if (!source) return all;
    std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES);
    while (source->readBlock(block.data()) != 0) all.insert(all.end(), block.begin(), block.end());
    return all;
  };
  for (unsigned rate : {44100u, 48000u}) {
    const std::vector<std::int16_t> expected = readAll(testfiles::pcmWav(2, rate, samples));
    ASSERT_GE(expected.size(), samples.size() * 44100 / rate);
    std::vector<unsigned char> b24, b32, bf;
    for (std::int16_t v : samples) {
      testfiles::appendLe(b24, static_cast<std::uint32_t>(v) << 8, 3);
      testfiles::appendLe(b32, static_cast<std::uint32_t>(v) << 16, 4);
      const float f = v / 32768.0f;
      std::uint32_t bits;
      std::memcpy(&bits, &f, 4);
      testfiles::appendLe(bf, bits, 4);
    }
    const std::pair<testfiles::Chunk, std::vector<unsigned char>> files[] = {
        {testfiles::fmtChunk(1, 2, rate, 24, 1), b24},
        {testfiles::fmtChunk(1, 2, rate, 32), b32},
        {testfiles::fmtChunk(3, 2, rate, 32), bf}};
    for (const auto& [fmt, data] : files) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(data.size() / 60000) +
                   " bytes a sample");
      EXPECT_EQ(readAll(testfiles::riffFile({fmt, testfiles::Chunk{"data", data}})), expected);
    }
  }
}

TEST_F(TrackImport, RefusalsCloseTheMapping) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
  };
  std::vector<Case> cases;
  // A RIFF file the WAV parser refuses is not retried as a bare stream, and
  // text is no stream at all.
  std::vector<unsigned char> twelve = testfiles::pcmWav(2, 44100, std::vector<std::int16_t>(3000));
  testfiles::putLe(twelve, 34, 12, 2);
  cases.push_back({"12-bit", twelve});
  cases.push_back({"text", std::vector<unsigned char>(6000, 'a')});
  // Fewer than three frames at another rate leave no room to interpolate.
  std::vector<unsigned char> two = testfiles::pcmWav(2, 48000, {1, 2, 3, 4});
  two.resize(5000, 0);
  testfiles::putLe(two, 40, 8);
  cases.push_back({"two frames at 48000", two});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("refused");
    testfiles::writeFile(path, c.bytes);
    auto file = platform::MappedFile::map(path.c_str());
    platform::MappedFile* mapping = file.get();
    ASSERT_GT(mapping->size(), 0u);
    audiofile::TrackReader reader(std::move(file));
    EXPECT_FALSE(reader.open());
    EXPECT_EQ(mapping->size(), 0u);
    std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES);
    bool ended = false;
    EXPECT_EQ(reader.readBlock(block.data(), ended), 0u);
    EXPECT_TRUE(ended);
  }
}

// Another program cuts the file short under the mapping: an MP3's open (the
// scan of every frame) or seek (the frames before the point passed through
// the decoder) is abandoned part way by the guard, and the reader, once
// destroyed, leaves nothing allocated behind (LeakSanitizer checks).
TEST_F(TrackImport, AnOpenOrSeekAbandonedPartWayLeavesNothingBehind) {
  const std::string wav = dir.file("long.wav");
  const std::string mp3 = dir.file("long.mp3");
  ASSERT_TRUE(testfiles::soxSynth(wav, 44100, 2, 44100 * 4));
  ASSERT_EQ(std::system(("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'").c_str()), 0);
  for (const bool seek : {false, true}) {
    SCOPED_TRACE(seek ? "seek" : "open");
    const std::string cut = dir.file("cut.mp3");
    std::filesystem::copy_file(mp3, cut, std::filesystem::copy_options::overwrite_existing);
    audiofile::TrackReader reader(platform::MappedFile::map(cut.c_str()));
    ASSERT_TRUE(!seek || reader.open());
    const std::uint64_t last = reader.blockCount() - 1;
    ASSERT_EQ(::truncate(cut.c_str(), 4096), 0);
    bool done = false;
    EXPECT_FALSE(
        platform::guardMappedReads([&] { done = seek ? reader.seekBlock(last) : reader.open(); }));
    EXPECT_FALSE(done);
  }
}

TEST_F(TrackImport, DamagedHeadersNeverReadOutsideTheFile) {
  std::mt19937 gen(7);
  std::vector<std::int16_t> samples(2 * 1500);
  for (auto& s : samples) s = static_cast<std::int16_t>(gen());
  const std::vector<unsigned char> good = testfiles::pcmWav(2, 48000, samples);
  std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES);
  int opened = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<unsigned char> bytes(good);
    // Damage the header, sometimes the size fields, and cut the file anywhere.
    const int flips = 1 + static_cast<int>(gen() % 4);
    for (int f = 0; f < flips; ++f)
      bytes[gen() % 48] ^= static_cast<unsigned char>(1u << (gen() % 8));
    if (round % 3 == 0) testfiles::putLe(bytes, 40, static_cast<std::uint32_t>(gen()));
    if (round % 5 == 0)
      testfiles::putLe(bytes, 20, static_cast<std::uint16_t>(gen() % 2 ? 1 : 0x55), 2);
    bytes.resize(1 + gen() % bytes.size());
    bytes.shrink_to_fit();
    auto source = audiofile::openTrackSource(bytes.data(), bytes.size());
    if (!source) continue;
    ++opened;
    EXPECT_GE(source->format.channels, 1u);
    EXPECT_LE(source->format.channels, 2u);
    std::uint64_t blocks = 0;
    while (source->readBlock(block.data()) != 0) ASSERT_LE(++blocks, source->blockCount);
  }
  EXPECT_GT(opened, 100);
}

// At a rate of a few hertz the cosine start covers several blocks; every
// block must still end at its 4608th frame.
TEST(TrackSourceRates, AVeryLowRateStartsOverSeveralBlocksWithinBounds) {
  std::vector<std::int16_t> samples(2 * 10);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(1000 * (i + 1));
  std::vector<unsigned char> bytes = testfiles::pcmWav(2, 3, samples);
  bytes.shrink_to_fit();
  auto source = audiofile::openTrackSource(bytes.data(), bytes.size());
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->outputFrames, 10u * 14700);
  std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES + 2, 77);
  std::uint64_t produced = 0;
  std::int16_t previous = samples[0];
  while (std::uint32_t n = source->readBlock(block.data())) {
    produced += n;
    EXPECT_EQ(block[2 * IMPORT_BLOCK_FRAMES], 77) << "wrote past the block";
    // Rising samples interpolate to a rising left channel.
    for (std::uint32_t k = 0; k < n; ++k) {
      ASSERT_GE(block[2 * k], previous);
      previous = block[2 * k];
    }
  }
  // Output stops once the position passes frame 7 (= 10 - 3); the summed
  // position may fall a hair short of 8.0 on the last step.
  EXPECT_NEAR(static_cast<double>(produced), 8.0 * 14700, 1.0);
}

}  // namespace
