// The decoder against an independent decoder (mpg123) on streams lame makes at
// test time: every supported version, rate, channel mode and bit-rate mode.
#include <gtest/gtest.h>

#include "audiofile/mpeg_test_util.h"

namespace {

struct Case {
  const char* name;
  unsigned rate;
  unsigned channels;
  const char* lameOptions;
};

class AgainstMpg123 : public ::testing::TestWithParam<Case> {};

TEST_P(AgainstMpg123, AgreesWithinOneLsb) {
  if (!mpegtest::haveTool("lame") || !mpegtest::haveTool("mpg123")) {
    GTEST_SKIP() << "lame and mpg123 are needed (scripts/install-deps installs them)";
  }
  const Case& c = GetParam();
  testfiles::TempDir dir("lame");
  const auto stream = mpegtest::makeMp3(dir, c.rate, c.channels, 2.0, c.lameOptions);
  ASSERT_FALSE(stream.empty()) << "lame failed";
  const auto reference = mpegtest::mpg123Decode(dir);
  ASSERT_FALSE(reference.empty()) << "mpg123 failed";
  const mpegtest::Decoded ours = mpegtest::decodeStream(stream);
  ASSERT_GT(ours.pages, 0u);
  EXPECT_EQ(ours.rate, c.rate);
  EXPECT_EQ(ours.channels, c.channels);
  EXPECT_EQ(ours.samples.size(), std::size_t{ours.scanFrames} * c.channels);

  // lame's first frame is its tag frame when the tag fits in a frame; mpg123
  // does not output it and we decode it as silence, so our output then runs
  // one frame ahead. Take the alignment that fits.
  const std::size_t frame = (c.rate >= 32000 ? 1152u : 576u) * c.channels;
  const mpegtest::Difference direct = mpegtest::compare(ours.samples, reference);
  const mpegtest::Difference late = mpegtest::compare(ours.samples, reference, frame);
  const mpegtest::Difference& aligned = late.maxAbs < direct.maxAbs ? late : direct;
  std::printf("%-24s max %d  rms %.4f  compared %zu\n", c.name, aligned.maxAbs, aligned.rms,
              aligned.compared);
  EXPECT_GE(aligned.compared + 2 * frame, reference.size());
  EXPECT_LE(aligned.maxAbs, 1);
  EXPECT_LE(aligned.rms, 0.12);
}

INSTANTIATE_TEST_SUITE_P(
    Lame, AgainstMpg123,
    ::testing::Values(Case{"mpeg1_44100_joint_128", 44100, 2, "-b 128 -m j"},
                      Case{"mpeg1_44100_stereo_320", 44100, 2, "-b 320 -m s"},
                      Case{"mpeg1_32000_mono_32", 32000, 1, "-b 32 -m m --resample 32"},
                      Case{"mpeg1_48000_joint_vbr", 48000, 2, "-V 2 -m j"},
                      Case{"mpeg1_44100_mono_vbr", 44100, 1, "-V 4 -m m"},
                      Case{"mpeg2_16000_mono_32", 16000, 1, "-b 32 -m m --resample 16"},
                      Case{"mpeg2_22050_joint_vbr", 22050, 2, "-V 5 -m j --resample 22.05"},
                      Case{"mpeg2_24000_stereo_64", 24000, 2, "-b 64 -m s --resample 24"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
