#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "cli/cli_run.h"

namespace {

using clitest::quote;
using clitest::runCli;

class DecodeCommand : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_decode"};

  // Every file in the test folder, so a leftover temporary shows.
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// A 44100 Hz stereo file is copied into three whole blocks; a 22050 Hz mono
// file becomes a one-channel 44100 Hz file with every source frame kept.
TEST_F(DecodeCommand, WritesTheTrackAsTheProgramLoadsIt) {
  const std::string in = dir.file("in.wav");
  const std::string out = dir.file("out.wav");
  ASSERT_TRUE(testfiles::soxSynth(in, 44100, 2, 10000));
  auto r = runCli(dir, "decode " + quote(in) + " -o " + quote(out));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(testfiles::soxi("-c", out) + " " + testfiles::soxi("-r", out), "2 44100");
  std::vector<std::int16_t> source = testfiles::soxSamples(in);
  std::vector<std::int16_t> track = testfiles::soxSamples(out);
  ASSERT_EQ(track.size(), 2u * 13824);
  EXPECT_TRUE(std::equal(source.begin(), source.end(), track.begin()));
  EXPECT_TRUE(
      std::all_of(track.begin() + 20000, track.end(), [](std::int16_t s) { return s == 0; }));
  EXPECT_EQ(listing(), (std::vector<std::string>{"in.wav", "out.wav"}));

  ASSERT_TRUE(testfiles::soxSynth(in, 22050, 1, 9000));
  r = runCli(dir, "decode --output=" + quote(out) + " " + quote(in));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testfiles::soxi("-c", out) + " " + testfiles::soxi("-r", out), "1 44100");
  EXPECT_EQ(testfiles::soxi("-s", out), std::to_string(4 * 4608));
  source = testfiles::soxSamples(in);
  track = testfiles::soxSamples(out);
  for (std::size_t i = 0; i + 2 < source.size(); ++i) ASSERT_EQ(track[2 * i], source[i]) << i;
}

TEST_F(DecodeCommand, FailuresLeaveNothingBehindAndKeepAnEarlierOutput) {
  const std::string out = dir.file("out.wav");
  testfiles::writeFile(out, {'o', 'l', 'd'});
  // Unreadable input.
  const std::string tiny = dir.file("tiny.wav");
  testfiles::writeFile(tiny, std::vector<unsigned char>(4095, 0));
  auto r = runCli(dir, "decode " + quote(tiny) + " -o " + quote(out));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "cantora-cli: " + tiny + ": Could not load or read this file!\n");

  // A write that fails part-way (the file-size limit, in 512-byte units).
  const std::string in = dir.file("in.wav");
  ASSERT_TRUE(testfiles::soxSynth(in, 44100, 2, 100000));
  r = runCli(dir, "decode " + quote(in) + " -o " + quote(out), "ulimit -f 200;");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("could not write"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_EQ(testfiles::readFile(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(listing(), (std::vector<std::string>{"in.wav", "out.wav", "tiny.wav"}));

  // An output folder that does not exist.
  r = runCli(dir, "decode " + quote(in) + " -o " + quote(dir.file("no/such.wav")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Could not create file!"), std::string::npos) << r.err;
  // An output that is a folder: the rename fails and the temporary goes.
  std::filesystem::create_directory(dir.file("folder.wav"));
  r = runCli(dir, "decode " + quote(in) + " -o " + quote(dir.file("folder.wav")));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(listing(), (std::vector<std::string>{"folder.wav", "in.wav", "out.wav", "tiny.wav"}));
}

// Interrupted while the temporary file is being written, decode removes it.
TEST_F(DecodeCommand, AnInterruptedWriteLeavesNothingBehind) {
  const std::string in = dir.file("in.wav");
  const std::string out = dir.file("out.wav");
  ASSERT_TRUE(testfiles::soxSynth(in, 44100, 2, 44100 * 60));
  const std::string program = std::string(CANTORA_BIN_DIR) + "/cantora-cli";
  std::vector<std::string> argv = {program, "decode", in, "-o", out};
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, cargv.data(), environ), 0);
  // Wait for the temporary file to appear, then interrupt.
  bool sawTemporary = false;
  for (int i = 0; i < 5000 && !sawTemporary; ++i) {
    for (const std::string& name : listing())
      sawTemporary = sawTemporary || name.find(".tmp") != std::string::npos;
    if (!sawTemporary) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ::kill(pid, SIGINT);
  int raw = 0;
  ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
  ASSERT_TRUE(WIFEXITED(raw));
  if (WEXITSTATUS(raw) == 0) {
    // The write won the race: then the output is whole.
    EXPECT_EQ(testfiles::soxi("-s", out), std::to_string(575 * 4608));
  } else {
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  for (const std::string& name : listing()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(DecodeCommand, ArgumentErrorsAreUsageErrors) {
  for (const std::string args : {"decode a.wav", "decode a b -o x", "decode --frob a -o x"}) {
    SCOPED_TRACE(args);
    const auto r = runCli(dir, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  const auto r = runCli(dir, "decode -h");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: cantora-cli decode FILE -o OUT.wav", 0), 0u);
}

}  // namespace
