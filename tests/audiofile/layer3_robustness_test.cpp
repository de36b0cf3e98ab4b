// The decoder's edges and damaged input: the one-frame lag, streams cut from a
// longer one, truncation, garbage and bit flips. Under AddressSanitizer any
// read or write outside the reservoir or the output fails these tests.
#include <gtest/gtest.h>

#include <random>

#include "audiofile/layer3_decoder.h"
#include "audiofile/mpeg_test_util.h"

namespace {

using audiofile::toSample;

TEST(Layer3Output, RoundsHalfAwayFromZeroAndClips) {
  const std::pair<double, int> cases[] = {
      {0.5, 1},         {-0.5, -1},         {0.0, 0},           {0.49, 0},    {-1.49, -1},
      {32767.6, 32767}, {-32767.6, -32768}, {-32768.4, -32768}, {1e9, 32767}, {-1e9, -32768}};
  for (const auto& [in, out] : cases) EXPECT_EQ(toSample(in), out) << in;
}

class Layer3Damage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mpegtest::haveTool("lame")) GTEST_SKIP() << "lame is needed (scripts/install-deps)";
    stream = mpegtest::makeMp3(dir, 44100, 2, 1.0, "-b 128 -m j");
    ASSERT_FALSE(stream.empty());
    scan.scan(stream.data(), static_cast<std::uint32_t>(stream.size()));
    ASSERT_GT(scan.frameCount(), 20u);
  }

  // A decode whose output must be whole frames, never more than announced.
  static void expectSaneOutput(const std::vector<unsigned char>& bytes) {
    const mpegtest::Decoded d = mpegtest::decodeStream(bytes);
    if (d.pages == 0) return;
    const std::size_t frame = (d.rate >= 32000 ? 1152u : 576u) * d.channels;
    EXPECT_EQ(d.samples.size() % frame, 0u);
    EXPECT_LE(d.samples.size(), std::size_t{d.scanFrames} * d.channels);
  }

  std::size_t offsetOf(std::uint32_t frame) const {
    return static_cast<std::size_t>(scan.frameStart(frame) - stream.data());
  }

  testfiles::TempDir dir{"layer3_damage"};
  std::vector<unsigned char> stream;
  audiofile::MpegScan scan;
};

// Each call decodes the frame it hands in, so the stream's last frame is
// output too (the decoder once ran a frame behind and never output it).
TEST_F(Layer3Damage, EachCallDecodesTheFrameItHandsInUpToTheLast) {
  std::vector<const unsigned char*> starts = {scan.frameStart(0), scan.frameStart(1)};
  std::vector<std::uint32_t> lengths = {scan.frameLength(0), scan.frameLength(1)};
  std::vector<std::uint32_t> taken(2, 0);
  auto decoder =
      audiofile::Layer3Decoder::create(starts.data(), lengths.data(), taken.data(), 2, true, 0, 2);
  ASSERT_TRUE(decoder);
  std::vector<std::int16_t> out(2304 + 1, 0x5A5A);
  for (std::uint32_t frame = 0; frame < 2; ++frame) {
    std::uint32_t produced = 99;
    EXPECT_EQ(decoder->decode(frame, out.data(), &produced), audiofile::LAYER3_FRAME_DONE);
    EXPECT_EQ(produced, 2304u * 2);
    EXPECT_EQ(taken[frame], lengths[frame]);
    EXPECT_EQ(out.back(), 0x5A5A) << "wrote past the frame";
  }
}

// A stream cut at a frame whose main data starts in the frames before it:
// frames that point back past the cut produce nothing, and once the
// reservoir holds what they need the output equals the whole stream's.
TEST_F(Layer3Damage, StreamCutFromALongerOneResumesExactly) {
  const mpegtest::Decoded whole = mpegtest::decodeStream(stream);
  std::uint32_t cut = 0;
  for (std::uint32_t i = 5; i < scan.frameCount() && cut == 0; ++i) {
    const unsigned char* p = scan.frameStart(i);
    const int mainDataBegin = (p[4] << 1) | (p[5] >> 7);
    if (mainDataBegin != 0) cut = i;
  }
  ASSERT_NE(cut, 0u) << "the stream never used the bit reservoir";
  const std::vector<unsigned char> tail(stream.begin() + static_cast<long>(offsetOf(cut)),
                                        stream.end());
  const mpegtest::Decoded part = mpegtest::decodeStream(tail);
  ASSERT_GT(part.pages, 0u);
  ASSERT_GE(part.statuses.size(), 2u);
  EXPECT_EQ(part.statuses[0], audiofile::LAYER3_FRAME_DONE);
  EXPECT_EQ(part.statuses[1], audiofile::LAYER3_FRAME_DONE);
  const std::size_t frame = 1152 * 2;
  ASSERT_GT(part.samples.size(), 4 * frame);
  ASSERT_LT(part.samples.size(), std::size_t{part.scanFrames} * 2);
  // The last frames of both decodes line up at the end; skip the first
  // decoded frame, whose overlap half was still empty.
  const std::size_t compared = part.samples.size() - frame;
  EXPECT_TRUE(std::equal(part.samples.end() - static_cast<long>(compared), part.samples.end(),
                         whole.samples.end() - static_cast<long>(compared)));
}

// Streams cut anywhere, and valid frames followed by random bytes or by random
// bytes behind agreeing headers everywhere.
TEST_F(Layer3Damage, TruncatedStreamsAndGarbageDecodeWhatIsThere) {
  for (const std::size_t size :
       {offsetOf(3) + 10, offsetOf(7) + 200, stream.size() - 1, stream.size() / 2 + 33})
    expectSaneOutput(
        std::vector<unsigned char>(stream.begin(), stream.begin() + static_cast<long>(size)));
  std::mt19937 random(7);
  const auto first = stream.begin() + static_cast<long>(offsetOf(0));
  std::vector<unsigned char> bytes(first, stream.begin() + static_cast<long>(offsetOf(4)));
  std::vector<unsigned char> headers = bytes;
  for (int i = 0; i < 40000; ++i) bytes.push_back(static_cast<unsigned char>(random()));
  for (int i = 0; i < 300; ++i) {
    headers.insert(headers.end(), first, first + 4);
    for (int k = 0; k < 60; ++k) headers.push_back(static_cast<unsigned char>(random()));
  }
  expectSaneOutput(bytes);
  expectSaneOutput(headers);
}

TEST_F(Layer3Damage, BitFlipsInSideInfoAndMainDataAreSurvived) {
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    std::vector<unsigned char> bytes = stream;
    for (std::uint32_t f = 0; f < scan.frameCount(); ++f) {
      const std::size_t start = offsetOf(f);
      const std::uint32_t length = scan.frameLength(f);
      // Side info (after the 4 header bytes) in every frame, main data in some.
      const std::size_t side = start + 4 + random() % 32;
      bytes[side] ^= static_cast<unsigned char>(1u << (random() % 8));
      if (random() % 3 == 0) {
        const std::size_t main = start + 36 + random() % (length - 36);
        bytes[main] ^= static_cast<unsigned char>(random());
      }
    }
    expectSaneOutput(bytes);
  }
}

// Intensity and mid/side stereo of both versions come only from the
// conformance streams (l3-he_mode's from its two-channel frames, which the
// scan reaches only when they come first); damage there reaches the intensity
// position tables.
TEST(Layer3DamageJointStereo, BitFlipsInIntensityStereoStreamsAreSurvived) {
  CANTORA_NEED_CONFORMANCE_DATA();
  const auto test46 = testfiles::readFile(mpegtest::CONFORMANCE_DIR + "/l3-test46.bit");
  const auto mode = testfiles::readFile(mpegtest::CONFORMANCE_DIR + "/l3-he_mode.bit");
  const std::vector<mpegtest::Frame> frames = mpegtest::walkFrames(mode);
  ASSERT_FALSE(test46.empty());
  ASSERT_EQ(frames.size(), 128u);
  const std::vector<unsigned char> twoChannels(mode.begin() + static_cast<long>(frames[10].start),
                                               mode.begin() + static_cast<long>(frames[110].start));
  std::mt19937 random(5);
  for (const auto* original : {&test46, &twoChannels}) {
    for (int round = 0; round < 8; ++round) {
      std::vector<unsigned char> bytes = *original;
      for (int flip = 0; flip < 400; ++flip) {
        bytes[random() % bytes.size()] ^= static_cast<unsigned char>(1u << (random() % 8));
      }
      const mpegtest::Decoded d = mpegtest::decodeStream(bytes);
      if (d.pages == 0) continue;
      EXPECT_LE(d.samples.size(), std::size_t{d.scanFrames} * d.channels);
    }
  }
}

}  // namespace
