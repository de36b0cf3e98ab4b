#include "audiofile/wav_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// Every block until the end, as 16-bit samples, without the padding of the last.
std::vector<std::int16_t> readAll(WavDescription& wav) {
  std::vector<std::int16_t> block(4608 * wav.channels);
  std::vector<std::int16_t> got;
  while (std::uint32_t n = audiofile::readPcmBlock(wav, block.data()))
    got.insert(got.end(), block.begin(), block.begin() + n * wav.channels);
  return got;
}

using testfiles::Chunk;

// The chunk layouts of broadcast WAV, tagging tools and editors: "data" is
// found by walking the chunks wherever it lies, and the samples are exact.
TEST_F(WavReader, WalksTheChunksOtherProgramsWrite) {
  std::vector<std::int16_t> samples(2 * 700);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(i * 37 - 20000);
  const Chunk fmt = testfiles::fmtChunk(1, 2, 44100, 16);
  const Chunk data{"data", testfiles::samplesLe(samples)};
  const Chunk junk{"JUNK", std::vector<unsigned char>(28, 0)};
  const Chunk bext{"bext", std::vector<unsigned char>(602, 'b')};
  const Chunk list{"LIST", std::vector<unsigned char>(5001, 'l')};  // odd, and past 4096
  const Chunk odd{"odd ", {1, 2, 3}};
  const Chunk id3{"id3 ", std::vector<unsigned char>(77, 'i')};
  const struct {
    const char* name;
    std::vector<Chunk> chunks;
    bool pad;
  } cases[] = {
      {"JUNK and bext before fmt", {junk, bext, fmt, data}, true},
      {"LIST between fmt and data", {fmt, list, data}, true},
      {"odd chunks padded", {odd, fmt, odd, id3, data, list}, true},
      {"odd chunks left unpadded", {fmt, odd, id3, data}, false},
      {"data before fmt", {data, fmt}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<unsigned char> bytes = testfiles::riffFile(c.chunks, "WAVE", c.pad);
    WavDescription wav;
    ASSERT_TRUE(parse(bytes, wav));
    EXPECT_EQ(wav.frames, 700u);
    EXPECT_EQ(readAll(wav), samples);
  }
}

// Each sample format read back sample for sample against its 16-bit value.
// The values are ones a 16-bit sample holds exactly, which pass unchanged,
// and values beyond full scale, which are clipped.
TEST_F(WavReader, ReadsEverySampleFormatAs16Bit) {
  const std::vector<std::int16_t> exact = {0, 1, -1, 12345, -12345, 32767, -32768, 256};
  std::vector<unsigned char> b24, b32, bf;
  for (std::int16_t v : exact) {
    testfiles::appendLe(b24, static_cast<std::uint32_t>(v) << 8, 3);
    testfiles::appendLe(b32, static_cast<std::uint32_t>(v) << 16, 4);
  }
  std::vector<std::int16_t> floatExpected = exact;
  for (float f : {0.0f, 1.0f / 32768, -1.0f / 32768, 12345.0f / 32768, -12345.0f / 32768, 1.0f,
                  -1.0f, 256.0f / 32768, 1.5f, -7.25f}) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    testfiles::appendLe(bf, bits, 4);
  }
  floatExpected[5] = 32767;  // 1.0 is one step beyond the largest sample
  floatExpected.insert(floatExpected.end(), {32767, -32768});
  const std::vector<unsigned char> b8 = {0, 1, 127, 128, 129, 255};
  const std::vector<std::int16_t> expected8 = {-32768, -32512, -256, 0, 256, 32512};
  const struct {
    const char* name;
    Chunk fmt;
    unsigned channels;
    std::vector<unsigned char> data;
    std::vector<std::int16_t> expected;
  } cases[] = {
      {"8-bit unsigned", testfiles::fmtChunk(1, 1, 8000, 8), 1, b8, expected8},
      {"16-bit extensible", testfiles::fmtChunk(1, 2, 44100, 16, 1), 2, testfiles::samplesLe(exact),
       exact},
      {"24-bit", testfiles::fmtChunk(1, 2, 48000, 24), 2, b24, exact},
      {"24-bit extensible", testfiles::fmtChunk(1, 2, 48000, 24, 1), 2, b24, exact},
      {"32-bit", testfiles::fmtChunk(1, 1, 96000, 32), 1, b32, exact},
      {"32-bit float", testfiles::fmtChunk(3, 2, 44100, 32), 2, bf, floatExpected},
      {"32-bit float extensible", testfiles::fmtChunk(1, 2, 44100, 32, 3), 2, bf, floatExpected},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = testfiles::riffFile({c.fmt, Chunk{"data", c.data}});
    WavDescription wav;
    ASSERT_TRUE(parse(bytes, wav));
    EXPECT_EQ(wav.kind, audiofile::KIND_PCM);
    EXPECT_EQ(wav.channels, c.channels);
    EXPECT_EQ(wav.frames, c.expected.size() / c.channels);
    EXPECT_EQ(readAll(wav), c.expected);
  }
}

// Samples between two 16-bit values are dithered: each lands on one of the
// neighbouring values, and on average they keep the fraction that plain
// rounding would lose (a quarter step here).
TEST_F(WavReader, DithersWiderSamplesWithoutBias) {
  constexpr int COUNT = 40000;
  constexpr int BASE = -1000;
  std::vector<unsigned char> b24, b32, bf;
  for (int i = 0; i < COUNT; ++i) {
    testfiles::appendLe(b24, static_cast<std::uint32_t>(BASE * 256 + 64), 3);
    testfiles::appendLe(b32, static_cast<std::uint32_t>(BASE * 65536 + 16384), 4);
    const float f = (BASE + 0.25f) / 32768;
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    testfiles::appendLe(bf, bits, 4);
  }
  const struct {
    const char* name;
    Chunk fmt;
    std::vector<unsigned char> data;
  } cases[] = {{"24-bit", testfiles::fmtChunk(1, 1, 44100, 24), b24},
               {"32-bit", testfiles::fmtChunk(1, 1, 44100, 32), b32},
               {"float", testfiles::fmtChunk(3, 1, 44100, 32), bf}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = testfiles::riffFile({c.fmt, Chunk{"data", c.data}});
    WavDescription wav;
    ASSERT_TRUE(parse(bytes, wav));
    const std::vector<std::int16_t> got = readAll(wav);
    ASSERT_EQ(got.size(), std::size_t{COUNT});
    double sum = 0;
    for (std::int16_t v : got) {
      ASSERT_GE(v, BASE - 1);
      ASSERT_LE(v, BASE + 1);
      sum += v - BASE;
    }
    EXPECT_NEAR(sum / COUNT, 0.25, 0.02);
  }
}

TEST_F(WavReader, RefusesWithTheReason) {
  using audiofile::ImportReason;
  const Chunk data{"data", std::vector<unsigned char>(4000, 1)};
  const Chunk fmt = testfiles::fmtChunk(1, 2, 44100, 16);
  Chunk extensibleAdpcm = testfiles::fmtChunk(1, 2, 44100, 16, 2);
  Chunk badGuid = testfiles::fmtChunk(1, 2, 44100, 16, 1);
  badGuid.body.back() ^= 1;
  std::vector<unsigned char> notRiff = testfiles::riffFile({fmt, data});
  notRiff[0] = 'X';
  const struct {
    const char* name;
    std::vector<unsigned char> bytes;
    ImportReason reason;
    std::uint32_t detail;
  } cases[] = {
      {"not RIFF", notRiff, ImportReason::NotAudio, 0},
      {"RIFF AVI", testfiles::riffFile({fmt, data}, "AVI "), ImportReason::NotWave, 0},
      {"no fmt", testfiles::riffFile({data}), ImportReason::NoFormat, 0},
      {"ADPCM", testfiles::riffFile({testfiles::fmtChunk(2, 2, 44100, 4), data}),
       ImportReason::FormatTag, 2},
      {"extensible ADPCM", testfiles::riffFile({extensibleAdpcm, data}), ImportReason::FormatTag,
       2},
      {"extensible, unknown GUID", testfiles::riffFile({badGuid, data}), ImportReason::FormatTag,
       0xFFFE},
      {"12-bit", testfiles::riffFile({testfiles::fmtChunk(1, 2, 44100, 12), data}),
       ImportReason::BitDepth, 12},
      {"64-bit float", testfiles::riffFile({testfiles::fmtChunk(3, 2, 44100, 64), data}),
       ImportReason::BitDepth, 64},
      {"no channels", testfiles::riffFile({testfiles::fmtChunk(1, 0, 44100, 16), data}),
       ImportReason::Channels, 0},
      {"3 channels", testfiles::riffFile({testfiles::fmtChunk(1, 3, 44100, 16), data}),
       ImportReason::Channels, 3},
      {"rate 0", testfiles::riffFile({testfiles::fmtChunk(1, 2, 0, 16), data}),
       ImportReason::NoRate, 0},
      {"no data", testfiles::riffFile({fmt, Chunk{"LIST", std::vector<unsigned char>(4000)}}),
       ImportReason::NoData, 0},
      {"empty data", testfiles::riffFile({fmt, Chunk{"data", {}}, Chunk{"JUNK", data.body}}),
       ImportReason::EmptyData, 0},
      {"24-bit data shorter than a frame",
       testfiles::riffFile({testfiles::fmtChunk(1, 2, 44100, 24), Chunk{"data", {1, 2, 3, 4, 5}},
                            Chunk{"JUNK", data.body}}),
       ImportReason::EmptyData, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WavDescription wav;
    wav.kind = 99;
    audiofile::ImportRefusal why;
    EXPECT_FALSE(audiofile::parseWavHeader(c.bytes.data(), c.bytes.size(), wav, &why));
    EXPECT_EQ(wav.kind, audiofile::KIND_NONE);
    EXPECT_EQ(wav.dataStart, nullptr);
    EXPECT_EQ(why.reason, c.reason);
    EXPECT_EQ(why.detail, c.detail);
  }
  // MPEG in WAV: the data chunk after a format chunk with its extension.
  Chunk mpegFmt = testfiles::fmtChunk(0x55, 2, 44100, 0);
  mpegFmt.body.resize(30);
  const auto mpeg = testfiles::riffFile({mpegFmt, data});
  WavDescription wav;
  EXPECT_TRUE(parse(mpeg, wav));
  EXPECT_EQ(wav.kind, audiofile::KIND_MPEG);
  EXPECT_EQ(wav.dataStart, mpeg.data() + 58);
  EXPECT_EQ(wav.dataEnd, mpeg.data() + mpeg.size());
}

// A file cut short inside each of its chunks: before the format is complete
// it is refused, inside "data" the frames present are read.
TEST_F(WavReader, TruncatedChunksInEachPosition) {
  using audiofile::ImportReason;
  std::vector<std::int16_t> samples(2 * 1000, 99);
  const auto whole = testfiles::riffFile({Chunk{"JUNK", std::vector<unsigned char>(100)},
                                          testfiles::fmtChunk(1, 2, 44100, 16),
                                          Chunk{"LIST", std::vector<unsigned char>(300)},
                                          Chunk{"data", testfiles::samplesLe(samples)}});
  // JUNK body 20..120, fmt 120..144, LIST 144..452, data header 452..460.
  const struct {
    std::size_t cut;
    ImportReason reason;  // None: accepted
    std::uint32_t frames;
  } cases[] = {
      {10, ImportReason::NotAudio, 0},   {60, ImportReason::NoFormat, 0},
      {136, ImportReason::NoFormat, 0},  {300, ImportReason::NoData, 0},
      {455, ImportReason::NoData, 0},    {460, ImportReason::EmptyData, 0},
      {463, ImportReason::EmptyData, 0}, {460 + 4 * 250 + 2, ImportReason::None, 250},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cut);
    const std::vector<unsigned char> bytes(whole.begin(), whole.begin() + static_cast<long>(c.cut));
    WavDescription wav;
    audiofile::ImportRefusal why;
    EXPECT_EQ(audiofile::parseWavHeader(bytes.data(), bytes.size(), wav, &why),
              c.reason == ImportReason::None);
    EXPECT_EQ(why.reason, c.reason);
    EXPECT_EQ(wav.frames, c.frames);
  }
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

  // Half a frame after the last whole block: the end, and nothing written.
  samples.assign(2 * 4608, 7);
  samples.push_back(9);
  bytes = testfiles::pcmWav(2, 44100, samples);
  ASSERT_TRUE(parse(bytes, wav));
  EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), 4608u);
  std::fill(block.begin(), block.end(), -1);
  EXPECT_EQ(audiofile::readPcmBlock(wav, block.data()), 0u);
  EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](std::int16_t s) { return s == -1; }));
}

}  // namespace
