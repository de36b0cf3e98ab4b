// The decoder against the reference decodings of the MPEG audio conformance
// streams: every sample within 1 LSB and an RMS difference of at most 0.12 LSB.
#include <gtest/gtest.h>

#include <string>

#include "audiofile/mpeg_test_util.h"

namespace {

using mpegtest::CONFORMANCE_DIR;

class ConformanceStream : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { CANTORA_NEED_CONFORMANCE_DATA(); }
};

TEST_P(ConformanceStream, MatchesReferenceWithinOneLsb) {
  const std::string name = GetParam();
  const auto stream = testfiles::readFile(CONFORMANCE_DIR + "/" + name + ".bit");
  const auto reference = testfiles::readSamples(CONFORMANCE_DIR + "/" + name + ".pcm");
  ASSERT_FALSE(stream.empty());
  const mpegtest::Decoded decoded = mpegtest::decodeStream(stream);
  ASSERT_GT(decoded.pages, 0u);
  const mpegtest::Difference d = mpegtest::compare(decoded.samples, reference);
  std::printf("%-22s max %d  rms %.4f  compared %zu (reference %zu, frames %u)\n", name.c_str(),
              d.maxAbs, d.rms, d.compared, reference.size(), decoded.frameCount);
  // Whole frames only, and at most the length the scan announced (a stream cut
  // from a longer one loses the frames whose main data lies before its start).
  EXPECT_EQ(decoded.samples.size() % (decoded.rate >= 32000 ? 1152 : 576), 0u);
  EXPECT_LE(decoded.samples.size(), std::size_t{decoded.scanFrames} * decoded.channels);
  // The reference covers every frame, the last one included, and so do we.
  EXPECT_EQ(d.compared, reference.size());
  EXPECT_LE(d.maxAbs, 1);
  EXPECT_LE(d.rms, 0.12);
}

INSTANTIATE_TEST_SUITE_P(Streams, ConformanceStream,
                         ::testing::Values("l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_48khz",
                                           "l3-hecommon", "l3-si", "l3-si_block", "l3-si_huff",
                                           "l3-sin1k0db", "M2L3_bitrate_16_all",
                                           "M2L3_bitrate_22_all", "M2L3_bitrate_24_all",
                                           "M2L3_compl24", "M2L3_noise", "l3-test45", "l3-test46"));

// l3-he_mode runs 10 single-channel frames, 100 two-channel ones (dual
// channel, stereo, then joint stereo: plain, mid/side, intensity, intensity
// with mid/side) and 18 single-channel ones; its reference holds each frame in
// that frame's channel count. The scan keeps to the first frame's channel
// count, so each run of frames with one channel count is cut out and decoded
// on its own. A cut loses the frames whose main data lies before it, and the
// first frame decoded after it lacks its overlap half: each run is compared
// from its second decoded frame to its last (the two-channel run from frame 13
// to frame 108, which holds the stream's MPEG-1 intensity frames), frame by
// frame, so a fault confined to a few frames still shows.
TEST_F(ConformanceStream, ModeSwitchingStreamMatchesReferenceInEachChannelRun) {
  const auto stream = testfiles::readFile(CONFORMANCE_DIR + "/l3-he_mode.bit");
  const auto reference = testfiles::readSamples(CONFORMANCE_DIR + "/l3-he_mode.pcm");
  const std::vector<mpegtest::Frame> frames = mpegtest::walkFrames(stream);
  ASSERT_EQ(frames.size(), 128u);
  std::size_t referenceAt = 0;  // where frame `first` starts in the reference
  int intensityFrames = 0;      // compared frames with intensity stereo
  for (std::size_t first = 0, end = 0; first < frames.size(); first = end) {
    const int channels = frames[first].header.channels;
    while (end < frames.size() && frames[end].header.channels == channels) ++end;
    const std::size_t frameSamples = 1152u * channels;
    const std::size_t cutEnd = end < frames.size() ? frames[end].start : stream.size();
    const mpegtest::Decoded d =
        mpegtest::decodeStream(&stream[frames[first].start], cutEnd - frames[first].start);
    ASSERT_EQ(d.frameCount, end - first);
    ASSERT_EQ(d.samples.size() % frameSamples, 0u);
    const std::size_t decodedFrames = d.samples.size() / frameSamples;
    ASSERT_GE(decodedFrames, 2u);
    ASSERT_LE(decodedFrames, end - first);
    // Main data reaches back at most 511 bytes: under two of these frames.
    const std::size_t lost = end - first - decodedFrames;
    ASSERT_LE(lost, 2u) << "run from frame " << first;
    double worstRms = 0.0;
    for (std::size_t k = 1; k < decodedFrames; ++k) {
      const std::size_t f = first + lost + k;
      const auto ours = d.samples.begin() + static_cast<long>(k * frameSamples);
      const auto theirs =
          reference.begin() + static_cast<long>(referenceAt + (f - first) * frameSamples);
      const mpegtest::Difference diff =
          mpegtest::compare({ours, ours + static_cast<long>(frameSamples)},
                            {theirs, theirs + static_cast<long>(frameSamples)});
      EXPECT_LE(diff.maxAbs, 1) << "frame " << f;
      EXPECT_LE(diff.rms, 0.12) << "frame " << f;
      worstRms = std::max(worstRms, diff.rms);
      intensityFrames += frames[f].header.mode == 1 && (frames[f].header.modeExtension & 1);
    }
    std::printf("l3-he_mode frames %zu-%zu: worst frame rms %.4f\n", first + lost + 1,
                first + lost + decodedFrames - 1, worstRms);
    referenceAt += (end - first) * frameSamples;
  }
  EXPECT_EQ(referenceAt, reference.size());
  EXPECT_GE(intensityFrames, 55);
}

// The double-precision filterbanks, selected on the decoder, meet the same
// limits; the two precisions part by at most one step, and rarely.
TEST_F(ConformanceStream, ReferenceArithmeticMeetsTheSameLimits) {
  for (const char* name : {"l3-si_block", "l3-compl", "M2L3_compl24"}) {
    SCOPED_TRACE(name);
    const auto stream = testfiles::readFile(CONFORMANCE_DIR + "/" + name + ".bit");
    const auto reference = testfiles::readSamples(CONFORMANCE_DIR + "/" + name + ".pcm");
    const std::vector<std::int16_t> exact = mpegtest::decodeStream(stream, true).samples;
    const mpegtest::Difference d = mpegtest::compare(exact, reference);
    EXPECT_EQ(d.compared, reference.size());
    EXPECT_LE(d.maxAbs, 1);
    EXPECT_LE(d.rms, 0.12);
    const mpegtest::Difference apart =
        mpegtest::compare(mpegtest::decodeStream(stream).samples, exact);
    std::printf("%-22s double precision: rms %.4f, apart from single %.4f\n", name, d.rms,
                apart.rms);
    EXPECT_EQ(apart.compared, exact.size());
    EXPECT_LE(apart.maxAbs, 1);
    EXPECT_LE(apart.rms, 0.05);
  }
}

TEST_F(ConformanceStream, FreeFormatIsRefusedByTheScan) {
  const auto stream = testfiles::readFile(CONFORMANCE_DIR + "/l3-he_free.bit");
  ASSERT_FALSE(stream.empty());
  audiofile::MpegScan scan;
  EXPECT_EQ(scan.scan(stream.data(), static_cast<std::uint32_t>(stream.size())), 0u);
  EXPECT_EQ(scan.refusal().reason, audiofile::ImportReason::FreeFormat);
}

}  // namespace
