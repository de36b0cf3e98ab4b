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
using testfiles::TempDir;

std::vector<std::int16_t> ramp(std::size_t count, int step) {
  std::vector<std::int16_t> v(count);
  for (std::size_t i = 0; i < count; ++i)
    v[i] = static_cast<std::int16_t>(static_cast<int>(i) * step - 30000);
  return v;
}

// Writes `samples` in pieces as the save workers do, scribbling over each
// piece after its call to prove the writer kept nothing of it.
std::uint32_t writeInPieces(audiofile::WavWriter& writer, const std::vector<std::int16_t>& samples,
                            std::size_t pieceSamples) {
  for (std::size_t at = 0; at < samples.size(); at += pieceSamples) {
    std::vector<std::int16_t> piece(
        samples.begin() + static_cast<std::ptrdiff_t>(at),
        samples.begin() + static_cast<std::ptrdiff_t>(std::min(samples.size(), at + pieceSamples)));
    std::uint32_t accepted = 0;
    const auto size = static_cast<std::uint32_t>(piece.size() * 2);
    EXPECT_EQ(writer.writeBlock(piece.data(), size, accepted), audiofile::WAV_WRITE_OK);
    EXPECT_EQ(accepted, size);
    writer.addToTotal(accepted);
    std::fill(piece.begin(), piece.end(), std::int16_t{0x7A7A});
  }
  return writer.finish();
}

class WavWriterTest : public ::testing::Test {
 protected:
  TempDir dir{"wav_writer"};
};

TEST_F(WavWriterTest, WritesTheFixedLayoutForStereoAndMonoTracks) {
  struct Case {
    unsigned channels;
    unsigned rate;
  };
  for (const Case c : {Case{2, 44100}, Case{1, 44100}, Case{1, 22050}}) {
    SCOPED_TRACE(std::to_string(c.channels) + " channels at " + std::to_string(c.rate));
    const std::string path = dir.file("out.wav");
    const std::size_t frames = 1501;
    const std::vector<std::int16_t> samples = ramp(frames * c.channels, 37);
    const std::uint32_t n = static_cast<std::uint32_t>(samples.size() * 2);

    audiofile::WavWriter writer;
    ASSERT_TRUE(writer.create(path.c_str(), c.channels, c.rate));
    EXPECT_TRUE(writer.isOpen());
    EXPECT_EQ(writeInPieces(writer, samples, 1024 * c.channels), n);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_TRUE(writer.lastFinishComplete());

    const std::vector<unsigned char> file = testfiles::readFile(path);
    ASSERT_EQ(file.size(), 58u + n);
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(getLe32(file, 4), n + 50);
    EXPECT_EQ(std::memcmp(&file[8], "WAVEfmt ", 8), 0);
    EXPECT_EQ(getLe32(file, 16), 18u);
    const unsigned char format[18] = {
        1, 0, static_cast<unsigned char>(c.channels), 0,
        // rate, byte rate, block align, 16 bits, no extension
        static_cast<unsigned char>(c.rate), static_cast<unsigned char>(c.rate >> 8), 0, 0,
        static_cast<unsigned char>(c.rate * c.channels * 2),
        static_cast<unsigned char>((c.rate * c.channels * 2) >> 8),
        static_cast<unsigned char>((c.rate * c.channels * 2) >> 16), 0,
        static_cast<unsigned char>(c.channels * 2), 0, 16, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&file[20], format, 18), 0);
    EXPECT_EQ(std::memcmp(&file[38], "fact", 4), 0);
    EXPECT_EQ(getLe32(file, 42), 4u);
    EXPECT_EQ(getLe32(file, 46), n / 2);
    EXPECT_EQ(std::memcmp(&file[50], "data", 4), 0);
    EXPECT_EQ(getLe32(file, 54), n);
    EXPECT_EQ(std::memcmp(&file[58], samples.data(), n), 0);

    // Our own parser finds the data at 58 (after searching from 36).
    audiofile::WavDescription wav;
    ASSERT_TRUE(audiofile::parseWavHeader(file.data(), file.size(), wav));
    EXPECT_EQ(wav.kind, audiofile::KIND_PCM);
    EXPECT_EQ(wav.channels, c.channels);
    EXPECT_EQ(wav.rate, c.rate);
    EXPECT_EQ(wav.frames, frames);
    EXPECT_EQ(wav.dataStart, file.data() + 58);

    // And so does an independent tool, with the same samples.
    EXPECT_EQ(testfiles::soxi("-c", path), std::to_string(c.channels));
    EXPECT_EQ(testfiles::soxi("-r", path), std::to_string(c.rate));
    EXPECT_EQ(testfiles::soxi("-s", path), std::to_string(frames));
    EXPECT_EQ(testfiles::soxSamples(path), samples);
  }
}

TEST_F(WavWriterTest, PadsAnOddDataSizeAndCountsOnlyTheRunningTotal) {
  const std::string path = dir.file("odd.wav");
  audiofile::WavWriter writer;
  ASSERT_TRUE(writer.create(path.c_str(), 2, 44100));
  const unsigned char three[3] = {1, 2, 3};
  std::uint32_t accepted = 0;
  EXPECT_EQ(writer.writeBlock(three, 3, accepted), audiofile::WAV_WRITE_OK);
  EXPECT_EQ(accepted, 3u);
  writer.addToTotal(accepted);
  EXPECT_EQ(writer.finish(), 3u);
  const std::vector<unsigned char> file = testfiles::readFile(path);
  ASSERT_EQ(file.size(), 62u);
  EXPECT_EQ(getLe32(file, 4), 54u);
  EXPECT_EQ(getLe32(file, 46), 1u);
  EXPECT_EQ(getLe32(file, 54), 3u);
  EXPECT_EQ(file[61], 0);
}

TEST_F(WavWriterTest, FinishWithNoFileOpenTouchesNothing) {
  audiofile::WavWriter writer;
  EXPECT_EQ(writer.finish(), 0u);
  const std::string path = dir.file("kept.wav");
  ASSERT_TRUE(writer.create(path.c_str(), 1, 8000));
  std::vector<std::int16_t> s = ramp(100, 5);
  EXPECT_EQ(writeInPieces(writer, s, 100), 200u);
  const std::vector<unsigned char> before = testfiles::readFile(path);
  EXPECT_EQ(writer.finish(), 0u);
  EXPECT_EQ(testfiles::readFile(path), before);
  std::uint32_t accepted = 7;
  EXPECT_EQ(writer.writeBlock(s.data(), 200, accepted), audiofile::WAV_ERR_CANNOT_WRITE);
  EXPECT_EQ(accepted, 0u);
  EXPECT_EQ(testfiles::readFile(path), before);
}

TEST_F(WavWriterTest, RefusedCreatesLeaveNoFileAndKeepOthersIntact) {
  audiofile::WavWriter writer;
  EXPECT_FALSE(writer.create(dir.file("no/such/folder.wav").c_str(), 2, 44100));
  EXPECT_FALSE(writer.create(dir.file("zero.wav").c_str(), 0, 44100));
  EXPECT_FALSE(writer.create(dir.file("three.wav").c_str(), 3, 44100));
  EXPECT_FALSE(writer.create(dir.file("norate.wav").c_str(), 2, 0));
  EXPECT_FALSE(std::filesystem::exists(dir.file("zero.wav")));
  EXPECT_FALSE(writer.isOpen());

  const std::string existing = dir.file("existing.wav");
  testfiles::writeFile(existing, {1, 2, 3});
  EXPECT_FALSE(writer.create(existing.c_str(), 2, 44100, /*exclusive=*/true));
  EXPECT_EQ(testfiles::readFile(existing), (std::vector<unsigned char>{1, 2, 3}));

  ASSERT_TRUE(writer.create(dir.file("first.wav").c_str(), 2, 44100));
  EXPECT_FALSE(writer.create(dir.file("second.wav").c_str(), 2, 44100));
  EXPECT_FALSE(std::filesystem::exists(dir.file("second.wav")));
  writer.finish();
}

// A write the system refuses part-way (here: the file-size limit) reports the
// cannot-write status, accepts nothing, and leaves no part of the block behind.
TEST_F(WavWriterTest, AFailedWriteLeavesTheFileAsBeforeTheBlock) {
  const std::string path = dir.file("limited.wav");
  audiofile::WavWriter writer;
  ASSERT_TRUE(writer.create(path.c_str(), 2, 44100));
  const std::vector<std::int16_t> first = ramp(2000, 3);
  std::uint32_t accepted = 0;
  ASSERT_EQ(writer.writeBlock(first.data(), 4000, accepted), audiofile::WAV_WRITE_OK);
  writer.addToTotal(accepted);

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 8192;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const std::vector<std::int16_t> big = ramp(4000, 2);
  const std::uint32_t status = writer.writeBlock(big.data(), 8000, accepted);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(status, audiofile::WAV_ERR_CANNOT_WRITE);
  EXPECT_EQ(accepted, 0u);
  EXPECT_EQ(writer.finish(), 4000u);
  const std::vector<unsigned char> file = testfiles::readFile(path);
  ASSERT_EQ(file.size(), 58u + 4000);
  EXPECT_EQ(getLe32(file, 54), 4000u);
  EXPECT_EQ(getLe32(file, 46), 2000u);
  EXPECT_EQ(std::memcmp(&file[58], first.data(), 4000), 0);
}

}  // namespace
