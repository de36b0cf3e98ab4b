#include "audiofile/wav_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/audiofile_constants.h"

namespace {

using audiofile::WavDescription;

bool parse(const std::vector<unsigned char>& bytes, WavDescription& wav) {
  return audiofile::parseWavHeader(bytes.data(), bytes.size(), wav);
}

class WavReader : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"wav_reader"};
};

TEST_F(WavReader, SoxPcmFilesAtEveryRateGiveTheSoxSamplesBlockByBlock) {
  for (unsigned channels : {1u, 2u}) {
    for (unsigned rate : {8000u, 22050u, 44100u, 48000u, 96000u}) {
      SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
      const std::string path = dir.file("sine.wav");
      ASSERT_TRUE(testfiles::soxSynth(path, rate, channels, 2 * 4608 + 1000));
      const std::vector<unsigned char> bytes = testfiles::readFile(path);
      const std::vector<std::int16_t> expected = testfiles::soxSamples(path);
      WavDescription wav;
      ASSERT_TRUE(parse(bytes, wav));
      EXPECT_EQ(wav.kind, audiofile::KIND_PCM);
      EXPECT_EQ(wav.channels, channels);
      EXPECT_EQ(wav.rate, rate);
      EXPECT_EQ(wav.frames, 2 * 4608 + 1000u);
      EXPECT_EQ(wav.dataStart, bytes.data() + 44);

      // Blocks of 9216 bytes per channel, the last one padded with zeros.
      const std::size_t blockSamples = 4608 * channels;
      std::vector<std::int16_t> block(blockSamples + 1, 0x5555);
      std::vector<std::int16_t> got;
      std::vector<std::uint32_t> counts;
      while (std::uint32_t n = audiofile::readPcmBlock(wav, block.data())) {
        counts.push_back(n);
        got.insert(got.end(), block.begin(), block.end() - 1);
      }
      EXPECT_EQ(block.back(), 0x5555) << "wrote past the block";
      EXPECT_EQ(counts, (std::vector<std::uint32_t>{4608, 4608, 1000}));
      ASSERT_EQ(got.size(), 3 * blockSamples);
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
      EXPECT_TRUE(std::all_of(got.begin() + static_cast<std::ptrdiff_t>(expected.size()), got.end(),
                              [](std::int16_t s) { return s == 0; }));
    }
  }
}

TEST_F(WavReader, FindsDataAfterOtherChunksWithin4096Positions) {
  const std::string path = dir.file("list.wav");
  ASSERT_TRUE(testfiles::soxSynth(path, 44100, 2, 300));
  const std::vector<unsigned char> plain = testfiles::readFile(path);
  // A chunk of `gap` - 8 bytes between "fmt " and "data".
  auto withGap = [&](std::size_t gap) {
    std::vector<unsigned char> b(plain.begin(), plain.begin() + 36);
    b.resize(36 + gap, 'x');
    std::memcpy(&b[36], "LIST", 4);
    testfiles::putLe(b, 40, static_cast<std::uint32_t>(gap - 8));
    b.insert(b.end(), plain.begin() + 36, plain.end());
    return b;
  };
  WavDescription wav;
  const std::vector<unsigned char> list = withGap(3008);
  ASSERT_TRUE(parse(list, wav));
  EXPECT_EQ(wav.dataStart, list.data() + 36 + 3008 + 8);
  EXPECT_EQ(wav.frames, 300u);
  EXPECT_EQ(std::memcmp(wav.dataStart, plain.data() + 44, 1200), 0);
  EXPECT_TRUE(parse(withGap(4096), wav));
  EXPECT_FALSE(parse(withGap(4097), wav));
  EXPECT_EQ(wav.kind, audiofile::KIND_NONE);
}

TEST_F(WavReader, RefusesWhatIsNot16BitPcmOrMpegInOneOrTwoChannels) {
  const std::pair<const char*, const char*> formats[] = {
      {"-b 8 -e unsigned-integer", ""},         {"-b 24 -e signed-integer", "-t wavpcm"},
      {"-b 32 -e signed-integer", "-t wavpcm"}, {"-b 32 -e floating-point", ""},
      {"-b 24 -e signed-integer", ""},  // sox writes the extensible format
  };
  std::vector<std::vector<unsigned char>> refused;
  for (const auto& [format, type] : formats) {
    ASSERT_TRUE(testfiles::soxSynth(dir.file("other.wav"), 44100, 2, 5000, format, type));
    refused.push_back(testfiles::readFile(dir.file("other.wav")));
  }
  const std::vector<unsigned char> good =
      testfiles::pcmWav(2, 44100, std::vector<std::int16_t>(3000, 7));
  for (std::uint32_t channels : {0, 3}) {
    refused.push_back(good);
    testfiles::putLe(refused.back(), 22, channels, 2);
  }
  refused.push_back(good);
  testfiles::putLe(refused.back(), 24, 0);  // no rate
  refused.push_back(good);
  testfiles::putLe(refused.back(), 40, 0);  // an empty data chunk
  refused.push_back(good);
  refused.back()[0] = 'X';
  for (std::size_t i = 0; i < refused.size(); ++i) {
    WavDescription wav;
    wav.kind = 99;
    EXPECT_FALSE(parse(refused[i], wav)) << "case " << i;
    EXPECT_EQ(wav.kind, audiofile::KIND_NONE) << "case " << i;
    EXPECT_EQ(wav.dataStart, nullptr) << "case " << i;
  }
  // MPEG in WAV: the data chunk follows the format extension.
  std::vector<unsigned char> mpeg = good;
  testfiles::putLe(mpeg, 20, 0x55, 2);
  const std::vector<unsigned char> extension = {12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  mpeg.insert(mpeg.begin() + 36, extension.begin(), extension.end());
  WavDescription wav;
  EXPECT_TRUE(parse(mpeg, wav));
  EXPECT_EQ(wav.kind, audiofile::KIND_MPEG);
  EXPECT_EQ(wav.dataStart, mpeg.data() + 58);
  EXPECT_EQ(wav.dataEnd, mpeg.data() + mpeg.size());
}

TEST_F(WavReader, ClipsADeclaredSizePastTheEndOfTheFile) {
  std::vector<std::int16_t> samples(2 * 1001);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i);
  std::vector<unsigned char> bytes = testfiles::pcmWav(2, 44100, samples);
  testfiles::putLe(bytes, 40, 0xFFFFFFF0u);
  bytes.pop_back();  // half a sample cut off: 1000 whole frames remain
  WavDescription wav;
  ASSERT_TRUE(parse(bytes, wav));
  EXPECT_EQ(wav.frames, 1000u);
  EXPECT_EQ(wav.dataEnd, bytes.data() + bytes.size());
  std::vector<std::int16_t> block(2 * 4608, -1);
  EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), 1000u);
  EXPECT_EQ(block[1999], 1999);
  EXPECT_EQ(block[2001], 2001 & 0xFF);  // the byte present is copied, the rest is zero
  EXPECT_EQ(block[2002], 0);
  EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), 0u);
}

}  // namespace
