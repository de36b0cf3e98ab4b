#include "audiofile/wav_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_reader.h"

namespace {

using testfiles::getLe32;

std::vector<std::int16_t> ramp(std::size_t count) {
  std::vector<std::int16_t> v(count);
  for (std::size_t i = 0; i < count; ++i) v[i] = static_cast<std::int16_t>(i * 37 - 30000);
  return v;
}

std::uint32_t write(audiofile::WavWriter& writer, const void* block, std::uint32_t size) {
  std::uint32_t accepted = 0;
  const std::uint32_t status = writer.writeBlock(block, size, accepted);
  writer.addToTotal(accepted);
  return status;
}

class WavWriterTest : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"wav_writer"};
};

TEST_F(WavWriterTest, WritesTheFixedLayoutWithTheTracksChannelsAndRate) {
  for (const auto& [channels, rate] : {std::pair{2u, 44100u}, {1u, 44100u}, {1u, 22050u}}) {
    SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
    const std::string path = dir.file("out.wav");
    const std::size_t frames = 1501;
    const std::vector<std::int16_t> samples = ramp(frames * channels);
    const auto n = static_cast<std::uint32_t>(samples.size() * 2);
    audiofile::WavWriter writer;
    ASSERT_TRUE(writer.create(path.c_str(), channels, rate));
    // In pieces as the save workers write; each piece is scribbled over after
    // its call, so a writer that kept hold of it would write garbage.
    for (std::size_t at = 0; at < samples.size(); at += 1024 * channels) {
      std::vector<std::int16_t> piece(samples.begin() + static_cast<std::ptrdiff_t>(at),
                                      samples.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            samples.size(), at + 1024 * channels)));
      EXPECT_EQ(write(writer, piece.data(), static_cast<std::uint32_t>(piece.size() * 2)), 0u);
      std::fill(piece.begin(), piece.end(), std::int16_t{0x7A7A});
    }
    EXPECT_EQ(writer.finish(), n);
    EXPECT_TRUE(writer.lastFinishComplete());

    // RIFF, an 18-byte "fmt " (extension size 0), "fact" with the frame count
    // of the channels together, then "data".
    testfiles::Chunk fmt = testfiles::fmtChunk(1, channels, rate, 16);
    fmt.body.resize(18, 0);
    testfiles::Chunk fact{"fact", {}};
    testfiles::appendLe(fact.body, n / 2, 4);
    const std::vector<unsigned char> file = testfiles::readFile(path);
    EXPECT_EQ(file, testfiles::riffFile({fmt, fact, {"data", testfiles::samplesLe(samples)}}));
    // Our parser finds the data at 58; an independent tool agrees on it all.
    audiofile::WavDescription wav;
    ASSERT_TRUE(audiofile::parseWavHeader(file.data(), file.size(), wav));
    EXPECT_EQ(wav.kind, audiofile::KIND_PCM);
    EXPECT_EQ(wav.dataStart, file.data() + 58);
    EXPECT_EQ(wav.frames, frames);
    EXPECT_EQ(testfiles::soxi("-c", path), std::to_string(channels));
    EXPECT_EQ(testfiles::soxi("-r", path), std::to_string(rate));
    EXPECT_EQ(testfiles::soxi("-s", path), std::to_string(frames));
    EXPECT_EQ(testfiles::soxSamples(path), samples);
  }
}

TEST_F(WavWriterTest, PadsAnOddSizeAndFinishesOnlyAnOpenFile) {
  audiofile::WavWriter writer;
  EXPECT_EQ(writer.finish(), 0u);
  const std::string path = dir.file("odd.wav");
  ASSERT_TRUE(writer.create(path.c_str(), 2, 44100));
  const unsigned char three[3] = {1, 2, 3};
  EXPECT_EQ(write(writer, three, 3), 0u);
  EXPECT_EQ(writer.finish(), 3u);
  const std::vector<unsigned char> file = testfiles::readFile(path);
  ASSERT_EQ(file.size(), 62u);
  EXPECT_EQ(getLe32(file, 4), 54u);
  EXPECT_EQ(getLe32(file, 46), 1u);
  EXPECT_EQ(getLe32(file, 54), 3u);
  EXPECT_EQ(file[61], 0);
  // A finished writer touches nothing more.
  EXPECT_EQ(writer.finish(), 0u);
  EXPECT_EQ(write(writer, three, 2), audiofile::WAV_ERR_CANNOT_WRITE);
  EXPECT_EQ(testfiles::readFile(path), file);
}

TEST_F(WavWriterTest, RefusedCreatesLeaveNoFileAndKeepOthersIntact) {
  audiofile::WavWriter writer;
  EXPECT_FALSE(writer.create(dir.file("no/such/folder.wav").c_str(), 2, 44100));
  EXPECT_FALSE(writer.create(dir.file("three.wav").c_str(), 3, 44100));
  EXPECT_FALSE(writer.create(dir.file("norate.wav").c_str(), 2, 0));
  const std::string existing = dir.file("existing.wav");
  testfiles::writeFile(existing, {1, 2, 3});
  EXPECT_FALSE(writer.create(existing.c_str(), 2, 44100, /*exclusive=*/true));
  EXPECT_EQ(testfiles::readFile(existing), (std::vector<unsigned char>{1, 2, 3}));
  ASSERT_TRUE(writer.create(dir.file("first.wav").c_str(), 2, 44100));
  EXPECT_FALSE(writer.create(dir.file("second.wav").c_str(), 2, 44100));
  writer.finish();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// A write the system refuses part-way (here: the file-size limit) reports the
// cannot-write status and leaves no part of the block behind.
TEST_F(WavWriterTest, AFailedWriteLeavesTheFileAsBeforeTheBlock) {
  const std::string path = dir.file("limited.wav");
  audiofile::WavWriter writer;
  ASSERT_TRUE(writer.create(path.c_str(), 2, 44100));
  const std::vector<std::int16_t> samples = ramp(6000);
  ASSERT_EQ(write(writer, samples.data(), 4000), 0u);

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 8192;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  std::uint32_t accepted = 1;
  const std::uint32_t status = writer.writeBlock(samples.data() + 2000, 8000, accepted);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(status, audiofile::WAV_ERR_CANNOT_WRITE);
  EXPECT_EQ(accepted, 0u);
  EXPECT_EQ(writer.finish(), 4000u);
  const std::vector<unsigned char> file = testfiles::readFile(path);
  ASSERT_EQ(file.size(), 58u + 4000);
  EXPECT_EQ(getLe32(file, 54), 4000u);
  EXPECT_EQ(getLe32(file, 46), 2000u);
  EXPECT_EQ(std::memcmp(&file[58], samples.data(), 4000), 0);
}

}  // namespace
