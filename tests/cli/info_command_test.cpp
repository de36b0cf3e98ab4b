#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/mpeg_test_util.h"
#include "cli/cli_run.h"

namespace {

using clitest::quote;
using clitest::runCli;

class InfoCommand : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_info"};
};

TEST_F(InfoCommand, ReportsWhatTheImportWillDeliver) {
  const std::string s48 = dir.file("s48.wav"), m44 = dir.file("m44.wav");
  ASSERT_TRUE(testfiles::soxSynth(s48, 48000, 2, 480000));
  ASSERT_TRUE(testfiles::soxSynth(m44, 44100, 1, 10000));
  std::vector<std::pair<std::string, std::string>> cases = {
      {s48,
       "kind=pcm\nchannels=2\nsource_rate=48000\nsource_frames=480000\nframes=442368\n"
       "blocks=96\n"},
      {m44,
       "kind=pcm\nchannels=1\nsource_rate=44100\nsource_frames=10000\nframes=13824\n"
       "blocks=3\n"}};
  // An MPEG-2 stream of n frames: (n - 1) x 576 source frames, doubled.
  if (mpegtest::haveTool("lame")) {
    const auto stream = mpegtest::makeMp3(dir, 22050, 1, 1.0, "-b 32 -m m --resample 22.05");
    const std::uint32_t n = mpegtest::decodeStream(stream).frameCount;
    const std::uint32_t blocks = ((n - 1) * 576 * 2 + 4607) / 4608;
    cases.push_back({dir.file("out.mp3"),
                     "kind=mpeg\nchannels=1\nsource_rate=22050\nsource_frames=" +
                         std::to_string((n - 1) * 576) + "\nframes=" +
                         std::to_string(blocks * 4608) + "\nblocks=" + std::to_string(blocks) +
                         "\nmpeg_version=2\nindexed_frames=" + std::to_string(n) + "\n"});
  }
  for (const auto& [path, expected] : cases) {
    const auto r = runCli(dir, "info " + quote(path));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(InfoCommand, RefusesWhatTheProgramCannotLoadInOneLine) {
  const std::string tiny = dir.file("tiny.wav");
  testfiles::writeFile(tiny, testfiles::pcmWav(2, 44100, std::vector<std::int16_t>(2025, 1)));
  const std::string eight = dir.file("eight.wav");
  ASSERT_TRUE(testfiles::soxSynth(eight, 44100, 2, 5000, "-b 8 -e unsigned-integer"));
  for (const std::string& path : {tiny, eight, dir.file("missing.wav")}) {
    SCOPED_TRACE(path);
    const auto r = runCli(dir, "info " + quote(path));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "cantora-cli: " + path + ": Could not load or read this file!\n");
  }
  auto r = runCli(dir, "info");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("info"), std::string::npos);
  r = runCli(dir, "info --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: cantora-cli info FILE", 0), 0u);
}

}  // namespace
