#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "cli/cli_run.h"

namespace {

using clitest::quote;
using clitest::runCli;

class InfoCommand : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_info"};
};

TEST_F(InfoCommand, ReportsWhatTheImportWillDeliver) {
  const std::string s48 = dir.file("s48.wav");
  ASSERT_TRUE(testfiles::soxSynth(s48, 48000, 2, 480000));
  auto r = runCli(dir, "info " + quote(s48));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "kind=pcm\nchannels=2\nsource_rate=48000\nsource_frames=480000\n"
            "frames=442368\nblocks=96\n");
  EXPECT_EQ(r.err, "");

  const std::string m44 = dir.file("m44.wav");
  ASSERT_TRUE(testfiles::soxSynth(m44, 44100, 1, 10000));
  r = runCli(dir, "info " + quote(m44));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "kind=pcm\nchannels=1\nsource_rate=44100\nsource_frames=10000\n"
            "frames=13824\nblocks=3\n");
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
