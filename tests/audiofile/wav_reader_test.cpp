#include "audiofile/wav_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/audiofile_constants.h"

namespace {

using audiofile::WavDescription;
using testfiles::TempDir;

class WavReader : public ::testing::Test {
 protected:
  TempDir dir{"wav_reader"};

  static bool parse(const std::vector<unsigned char>& bytes, WavDescription& wav) {
    return audiofile::parseWavHeader(bytes.data(), bytes.size(), wav);
  }
};

TEST_F(WavReader, SoxPcmFilesAtEveryRateGiveTheSoxSamplesBlockByBlock) {
  for (unsigned channels : {1u, 2u}) {
    for (unsigned rate : {8000u, 22050u, 44100u, 48000u, 96000u}) {
      SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
      const std::string path = dir.file("sine.wav");
      const unsigned long frames = 4608 * 2 + 1000;
      ASSERT_TRUE(testfiles::soxSynth(path, rate, channels, frames));
      const std::vector<unsigned char> bytes = testfiles::readFile(path);
      const std::vector<std::int16_t> expected = testfiles::soxSamples(path);
      ASSERT_EQ(expected.size(), frames * channels);

      WavDescription wav;
      ASSERT_TRUE(parse(bytes, wav));
      EXPECT_EQ(wav.kind, audiofile::KIND_PCM);
      EXPECT_EQ(wav.channels, channels);
      EXPECT_EQ(wav.rate, rate);
      EXPECT_EQ(wav.frames, frames);
      EXPECT_EQ(wav.dataStart, bytes.data() + 44);
      EXPECT_EQ(wav.cursor, wav.dataStart);

      // Blocks of 9216 bytes per channel; the last one padded with zeros.
      const std::size_t blockSamples = 4608 * channels;
      std::vector<std::int16_t> block(blockSamples + 8, 0x5555);
      std::vector<std::int16_t> got;
      std::vector<std::uint32_t> counts;
      while (std::uint32_t n = audiofile::readPcmBlock(wav, block.data())) {
        counts.push_back(n);
        got.insert(got.end(), block.begin(), block.begin() + blockSamples);
        EXPECT_EQ(block[blockSamples], 0x5555) << "wrote past the block";
      }
      EXPECT_EQ(counts, (std::vector<std::uint32_t>{4608, 4608, 1000}));
      ASSERT_EQ(got.size(), 3 * blockSamples);
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
      EXPECT_TRUE(std::all_of(got.begin() + expected.size(), got.end(),
                              [](std::int16_t s) { return s == 0; }));
      EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), 0u);
    }
  }
}

TEST_F(WavReader, FindsDataAfterOtherChunks) {
  const std::string path = dir.file("list.wav");
  ASSERT_TRUE(testfiles::soxSynth(path, 44100, 2, 300));
  std::vector<unsigned char> plain = testfiles::readFile(path);
  // A LIST chunk of 3000 bytes between "fmt " and "data".
  std::vector<unsigned char> list(8 + 3000, 'x');
  std::memcpy(list.data(), "LIST", 4);
  testfiles::putLe32(list, 4, 3000);
  std::vector<unsigned char> bytes(plain.begin(), plain.begin() + 36);
  bytes.insert(bytes.end(), list.begin(), list.end());
  bytes.insert(bytes.end(), plain.begin() + 36, plain.end());
  testfiles::putLe32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));

  WavDescription wav;
  ASSERT_TRUE(parse(bytes, wav));
  EXPECT_EQ(wav.dataStart, bytes.data() + 36 + list.size() + 8);
  EXPECT_EQ(wav.frames, 300u);
  EXPECT_EQ(std::memcmp(wav.dataStart, plain.data() + 44, 1200), 0);

  // Beyond the 4096 positions searched, "data" is not found.
  std::vector<unsigned char> far(plain.begin(), plain.begin() + 36);
  far.resize(36 + 4097, 0);
  far.insert(far.end(), plain.begin() + 36, plain.end());
  EXPECT_FALSE(parse(far, wav));
  EXPECT_EQ(wav.kind, audiofile::KIND_NONE);
  far.erase(far.begin() + 36);  // now exactly 4096 positions on
  EXPECT_TRUE(parse(far, wav));
}

TEST_F(WavReader, RefusesOtherSampleFormats) {
  struct Case {
    const char* name;
    const char* format;
    const char* type;
  };
  const Case cases[] = {
      {"8-bit", "-b 8 -e unsigned-integer", ""},
      {"24-bit", "-b 24 -e signed-integer", "-t wavpcm"},
      {"32-bit", "-b 32 -e signed-integer", "-t wavpcm"},
      {"float", "-b 32 -e floating-point", ""},
      {"extensible", "-b 24 -e signed-integer", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("other.wav");
    ASSERT_TRUE(testfiles::soxSynth(path, 44100, 2, 5000, c.format, c.type));
    WavDescription wav;
    wav.kind = 99;
    EXPECT_FALSE(parse(testfiles::readFile(path), wav));
    EXPECT_EQ(wav.kind, audiofile::KIND_NONE);
    EXPECT_EQ(wav.dataStart, nullptr);
  }
}

TEST_F(WavReader, RefusesBadChannelCountsRatesAndEmptyData) {
  const std::vector<std::int16_t> samples(3000, 7);
  WavDescription wav;
  for (std::uint16_t channels : {0, 3, 6}) {
    std::vector<unsigned char> bytes = testfiles::pcmWav(2, 44100, samples);
    testfiles::putLe16(bytes, 22, channels);
    EXPECT_FALSE(parse(bytes, wav)) << channels;
  }
  std::vector<unsigned char> noRate = testfiles::pcmWav(2, 0, samples);
  EXPECT_FALSE(parse(noRate, wav));
  std::vector<unsigned char> empty = testfiles::pcmWav(2, 44100, samples);
  testfiles::putLe32(empty, 40, 0);
  EXPECT_FALSE(parse(empty, wav));
  std::vector<unsigned char> notRiff = testfiles::pcmWav(2, 44100, samples);
  notRiff[0] = 'X';
  EXPECT_FALSE(parse(notRiff, wav));
  // MPEG in WAV is accepted with its data chunk after the format extension.
  std::vector<unsigned char> mpeg = testfiles::pcmWav(2, 44100, samples);
  testfiles::putLe16(mpeg, 20, 0x55);
  std::vector<unsigned char> extension(2 + 12, 0);
  extension[0] = 12;
  mpeg.insert(mpeg.begin() + 36, extension.begin(), extension.end());
  EXPECT_TRUE(parse(mpeg, wav));
  EXPECT_EQ(wav.kind, audiofile::KIND_MPEG);
  EXPECT_EQ(wav.dataStart, mpeg.data() + 50 + 8);
  EXPECT_EQ(wav.dataEnd, mpeg.data() + mpeg.size());
}

TEST_F(WavReader, ClipsADeclaredSizePastTheEndOfTheFile) {
  std::vector<std::int16_t> samples(2 * 1001);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i);
  std::vector<unsigned char> bytes = testfiles::pcmWav(2, 44100, samples);
  testfiles::putLe32(bytes, 40, 0xFFFFFFF0u);
  bytes.pop_back();  // a cut-off last sample: 1000 whole frames remain
  WavDescription wav;
  ASSERT_TRUE(parse(bytes, wav));
  EXPECT_EQ(wav.frames, 1000u);
  EXPECT_EQ(wav.dataEnd, bytes.data() + bytes.size());
  std::vector<std::int16_t> block(2 * 4608, -1);
  EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), 1000u);
  EXPECT_EQ(block[1999], 1999);
  // The low byte left of the cut sample is copied, the rest is zero.
  EXPECT_EQ(block[2001], 2001 & 0xFF);
  EXPECT_EQ(block[2002], 0);
}

TEST_F(WavReader, TruncatedHeadersNeverReadPastTheEnd) {
  const std::vector<unsigned char> whole =
      testfiles::pcmWav(2, 44100, std::vector<std::int16_t>(64, 3));
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    // An exact-size heap copy, so any read past it is caught.
    std::vector<unsigned char> cut(whole.begin(), whole.begin() + size);
    cut.shrink_to_fit();
    WavDescription wav;
    const bool ok = audiofile::parseWavHeader(cut.empty() ? nullptr : cut.data(), size, wav);
    EXPECT_EQ(ok, size > 44) << size;
    if (ok) {
      std::vector<std::int16_t> block(2 * 4608);
      EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), (size - 44) / 4);
    }
  }
}

}  // namespace
