// The decoder against the reference decodings of the MPEG audio conformance
// streams: every sample within 1 LSB and an RMS difference of at most 0.12 LSB.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audiofile/mpeg_test_util.h"

namespace {

const std::string DATA_DIR = CANTORA_TESTDATA_DIR "/mp3";

class ConformanceStream : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(DATA_DIR + "/README.md"))
      GTEST_SKIP() << "conformance data missing: " << DATA_DIR;
  }
};

// l3-he_mode switches between one and two channels; only the frames agreeing
// with the first one are indexed, so its reference is no oracle: it is held
// to decoding to the end with sound.
TEST_P(ConformanceStream, MatchesReferenceWithinOneLsb) {
  const std::string name = GetParam();
  const bool oracle = name != "l3-he_mode";
  const auto stream = testfiles::readFile(DATA_DIR + "/" + name + ".bit");
  const auto reference = testfiles::readSamples(DATA_DIR + "/" + name + ".pcm");
  ASSERT_FALSE(stream.empty());
  const mpegtest::Decoded decoded = mpegtest::decodeStream(stream);
  ASSERT_GT(decoded.pages, 0u);
  const mpegtest::Difference d = mpegtest::compare(decoded.samples, reference);
  std::printf("%-22s max %d  rms %.4f  compared %zu (reference %zu, frames %u)\n", name.c_str(),
              d.maxAbs, d.rms, d.compared, reference.size(), decoded.frameCount);
  if (!oracle) {
    EXPECT_EQ(decoded.samples.size(), std::size_t{decoded.scanFrames} * decoded.channels);
    int peak = 0;
    for (const std::int16_t s : decoded.samples) peak = std::max(peak, std::abs(int{s}));
    EXPECT_GT(peak, 100);
    return;
  }
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
                                           "M2L3_compl24", "M2L3_noise", "l3-test45", "l3-test46",
                                           "l3-he_mode"));

TEST_F(ConformanceStream, FreeFormatIsRefusedByTheScan) {
  const auto stream = testfiles::readFile(DATA_DIR + "/l3-he_free.bit");
  ASSERT_FALSE(stream.empty());
  audiofile::MpegScan scan;
  EXPECT_EQ(scan.scan(stream.data(), static_cast<std::uint32_t>(stream.size())), 0u);
  EXPECT_EQ(scan.refusal().reason, audiofile::ImportReason::FreeFormat);
}

}  // namespace
