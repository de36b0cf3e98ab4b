// The stream scan on streams built byte by byte: where it starts, how it finds
// frame lengths, how it repairs and ends the walk, and what it refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_scan.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Header words: MPEG-1 Layer III without CRC, 44100 Hz, 128 kbit/s, joint
// stereo; the same with the padding bit.
constexpr std::uint32_t MPEG1_128 = 0xFFFB9064;
constexpr std::uint32_t MPEG1_128_PADDED = 0xFFFB9264;

using testfiles::appendMpegFrame;

std::uint32_t lengthOf(std::uint32_t word) {
  return audiofile::mpegFrameLength(audiofile::decodeMpegHeader(word));
}

Bytes frames(std::uint32_t word, int count) {
  Bytes out;
  for (int i = 0; i < count; ++i) appendMpegFrame(out, word, lengthOf(word));
  return out;
}

struct Scanned {
  std::uint32_t pages = 0;
  audiofile::MpegScan scan;
  std::vector<std::size_t> offsets;
  std::vector<std::uint32_t> lengths;
};

void scanBytes(const Bytes& bytes, Scanned& s) {
  s.pages = s.scan.scan(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  for (std::uint32_t i = 0; s.pages > 0 && i < s.scan.frameCount(); ++i) {
    s.offsets.push_back(static_cast<std::size_t>(s.scan.frameStart(i) - bytes.data()));
    s.lengths.push_back(s.scan.frameLength(i));
  }
}

TEST(MpegScan, SkipsAnId3v2TagAndCountsEveryFrame) {
  Bytes bytes = {'I', 'D', '3', 4, 0, 0, 0x00, 0x00, 0x20, 0x00};
  bytes.resize(4106, 0xFF);  // tag body full of sync-like bytes, all skipped
  const Bytes audio = frames(MPEG1_128, 10);
  bytes.insert(bytes.end(), audio.begin(), audio.end());
  Scanned s;
  scanBytes(bytes, s);
  ASSERT_EQ(s.pages, 1u);
  EXPECT_EQ(s.scan.firstFrameOffset(), 4106u);
  EXPECT_EQ(s.scan.frameCount(), 10u);
  EXPECT_EQ(s.scan.rate(), 44100u);
  EXPECT_EQ(s.scan.channels(), 2u);
  EXPECT_EQ(s.scan.frames(), 10u * 1152);
}

TEST(MpegScan, TakesPaddedFramesAsTheAlternateHeader) {
  Bytes bytes;
  for (int i = 0; i < 12; ++i) {
    const std::uint32_t word = i % 3 == 2 ? MPEG1_128_PADDED : MPEG1_128;
    appendMpegFrame(bytes, word, lengthOf(word));
  }
  Scanned s;
  scanBytes(bytes, s);
  ASSERT_EQ(s.scan.frameCount(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s.lengths[i], i % 3 == 2 ? 418u : 417u) << i;
}

// Stray bytes after the fourth frame: one or two are taken into that frame,
// three or more belong to no frame and are passed over. A fourth frame one or
// two bytes short (negative counts) is shortened, its successor found early.
TEST(MpegScan, AbsorbsOneOrTwoStrayBytesSkipsThreeAndShortensEarlyFrames) {
  for (const int stray : {-2, -1, 1, 2, 3, 5}) {
    Bytes bytes = frames(MPEG1_128, 4);
    bytes.resize(static_cast<std::size_t>(4 * 417 + stray), 0x00);
    const Bytes rest = frames(MPEG1_128, 4);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    Scanned s;
    scanBytes(bytes, s);
    ASSERT_EQ(s.scan.frameCount(), 8u) << stray;
    EXPECT_EQ(s.lengths[3], static_cast<std::uint32_t>(stray <= 2 ? 417 + stray : 417)) << stray;
    EXPECT_EQ(s.offsets[4], static_cast<std::size_t>(4 * 417 + stray)) << stray;
  }
}

TEST(MpegScan, EndsTheWalkAtAnId3v1Tag) {
  Bytes bytes = frames(MPEG1_128, 5);
  Bytes tag(128, 0xFF);  // sync-like bytes a search would otherwise take up
  std::memcpy(tag.data(), "TAG", 3);
  tag[4] = 0xFB;
  tag[5] = 0x90;
  tag[6] = 0x64;
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  const Bytes more = frames(MPEG1_128, 3);
  bytes.insert(bytes.end(), more.begin(), more.end());
  Scanned s;
  scanBytes(bytes, s);
  EXPECT_EQ(s.scan.frameCount(), 5u);
}

TEST(MpegScan, RecordsACutShortLastFrameWithTheBytesPresent) {
  Bytes bytes = frames(MPEG1_128, 5);
  bytes.resize(bytes.size() - 100);
  Scanned s;
  scanBytes(bytes, s);
  ASSERT_EQ(s.scan.frameCount(), 5u);
  EXPECT_EQ(s.lengths[4], 317u);
}

TEST(MpegScan, RefusesStreamsWithoutAUsableLayer3Frame) {
  // MPEG-2.5 (version bits 00), 11025 Hz.
  std::uint32_t length25 = 0;
  ASSERT_TRUE(audiofile::isMpeg25Layer3Header(0xFFE39064, &length25));
  Bytes stream25;
  for (int i = 0; i < 8; ++i) appendMpegFrame(stream25, 0xFFE39064, length25);
  Scanned mpeg25;
  scanBytes(stream25, mpeg25);
  EXPECT_EQ(mpeg25.pages, 0u);
  EXPECT_EQ(mpeg25.scan.refusal().reason, audiofile::ImportReason::Mpeg25);
  // Free format (bit-rate index 0) never matches.
  Bytes free(4000, 0);
  for (std::size_t at = 0; at + 4 < free.size(); at += 400) {
    free[at] = 0xFF;
    free[at + 1] = 0xFB;
    free[at + 2] = 0x00;
  }
  Scanned freeFormat;
  scanBytes(free, freeFormat);
  EXPECT_EQ(freeFormat.pages, 0u);
  EXPECT_EQ(freeFormat.scan.refusal().reason, audiofile::ImportReason::FreeFormat);
  // Layer II frames are not taken.
  Scanned layer2;
  scanBytes(frames(0xFFFD9064, 8), layer2);
  EXPECT_EQ(layer2.pages, 0u);
  EXPECT_EQ(layer2.scan.refusal().reason, audiofile::ImportReason::NotAudio);
  // A first header whose successor does not agree is not a stream.
  Bytes lone = frames(MPEG1_128, 1);
  lone.resize(2000, 0x11);
  Scanned single;
  scanBytes(lone, single);
  EXPECT_EQ(single.pages, 0u);
}

}  // namespace
