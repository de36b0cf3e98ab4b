// cantora-cli info and decode run as the user runs them: what they print, the
// files they write, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_test_util.h"
#include "cli/cli_run.h"

namespace {

using clitest::quote;
using clitest::runCli;

class CliCommand : public ::testing::Test {
 protected:
  testfiles::TempDir dir{"cli_commands"};
  std::vector<std::string> listing() const { return clitest::listing(dir); }
};

TEST_F(CliCommand, InfoReportsWhatTheImportWillDeliver) {
  const std::string s48 = dir.file("s48.wav"), m44 = dir.file("m44.wav");
  ASSERT_TRUE(testfiles::soxSynth(s48, 48000, 2, 480000));
  ASSERT_TRUE(testfiles::soxSynth(m44, 44100, 1, 10000));
  std::vector<std::pair<std::string, std::string>> cases = {
      {s48,
       "kind=pcm\nchannels=2\nsource_rate=48000\nsource_frames=480000\nframes=442368\n"
       "blocks=96\npieces=3\n"},
      {m44,
       "kind=pcm\nchannels=1\nsource_rate=44100\nsource_frames=10000\nframes=13824\n"
       "blocks=3\npieces=3\n"}};
  // An MPEG-2 stream of n frames without an encoder's tag (lame leaves it out
  // when it does not fit a frame): n x 576 source frames, doubled.
  if (mpegtest::haveTool("lame")) {
    const auto stream = mpegtest::makeMp3(dir, 22050, 1, 1.0, "-b 32 -m m --resample 22.05");
    const std::uint32_t n = mpegtest::decodeStream(stream).frameCount;
    const std::uint32_t blocks = (n * 576 * 2 + 4607) / 4608;
    cases.push_back(
        {dir.file("out.mp3"),
         "kind=mpeg\nchannels=1\nsource_rate=22050\nsource_frames=" + std::to_string(n * 576) +
             "\nframes=" + std::to_string(blocks * 4608) + "\nblocks=" + std::to_string(blocks) +
             "\npieces=" + std::to_string(std::min(3u, blocks)) +
             "\nmpeg_version=2\nindexed_frames=" + std::to_string(n) +
             "\nencoder_tag=none\nencoder_delay=0\nencoder_padding=0\n"});
  }
  // (The values of a LAME tag's delay and padding: the import's tests.)
  for (const auto& [path, expected] : cases) {
    // pieces: the pieces a decode on 3 threads reads at once.
    const auto r = runCli(dir, "info --threads 3 " + quote(path));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
  }
}

// A 44100 Hz stereo file is copied into three whole blocks; a 22050 Hz mono
// file becomes a one-channel 44100 Hz file with every source frame kept.
TEST_F(CliCommand, DecodeWritesTheTrackAsTheProgramLoadsIt) {
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

// Files the program cannot load are refused in one line by both commands,
// with the reason; decode keeps an earlier output and leaves nothing behind.
TEST_F(CliCommand, RefusalsSayWhyInOneLine) {
  using testfiles::Chunk;
  const std::string out = dir.file("out.wav");
  const Chunk fmt = testfiles::fmtChunk(1, 2, 44100, 16);
  const Chunk data{"data", std::vector<unsigned char>(8000, 1)};
  std::vector<unsigned char> tiny = testfiles::pcmWav(2, 44100, std::vector<std::int16_t>(2025, 1));
  tiny.push_back(0);  // 4095 bytes, one short of the least the program loads
  std::uint32_t length25 = 0;
  audiofile::isMpeg25Layer3Header(0xFFE39064, &length25);
  std::vector<unsigned char> mpeg25;
  while (mpeg25.size() < 6000) testfiles::appendMpegFrame(mpeg25, 0xFFE39064, length25);
  std::vector<unsigned char> freeFormat(6000, 0);
  for (std::size_t at = 0; at + 4 < freeFormat.size(); at += 400)
    std::memcpy(&freeFormat[at], "\xFF\xFB\x00\x64", 4);  // bit-rate index 0
  // A LAME tag frame whose delay and padding (576, 1000) outlast the one
  // frame of audio after it.
  std::vector<unsigned char> tagOnly = testfiles::id3v2Tag(4000);
  const std::size_t tagAt = tagOnly.size();
  testfiles::appendMpegFrame(tagOnly, 0xFFFB9064, 417);
  std::memcpy(&tagOnly[tagAt + 36], "Info\0\0\0\0LAME3.100", 17);
  const unsigned char delays[3] = {0x24, 0x03, 0xE8};
  std::memcpy(&tagOnly[tagAt + 44 + 21], delays, 3);
  testfiles::appendMpegFrame(tagOnly, 0xFFFB9064, 417);
  std::filesystem::create_directory(dir.file("folder.wav"));

  const struct {
    const char* name;
    std::vector<unsigned char> bytes;  // none: the path is made otherwise
    const char* reason;
  } cases[] = {
      {"tiny.wav", tiny, "too short (under 4096 bytes)"},
      {"missing.wav", {}, "no such file"},
      {"folder.wav", {}, "not a regular file"},
      {"text.mp3", std::vector<unsigned char>(5000, 'a'),
       "neither a RIFF/WAVE file nor an MPEG Layer III stream"},
      {"avi.wav", testfiles::riffFile({fmt, data}, "AVI "), "a RIFF file that is not WAVE audio"},
      {"adpcm.wav", testfiles::riffFile({testfiles::fmtChunk(2, 2, 44100, 4), data}),
       "WAV format tag 0x0002 is not read (PCM, IEEE float and MPEG only)"},
      {"twelve.wav", testfiles::riffFile({testfiles::fmtChunk(1, 2, 44100, 12), data}),
       "12-bit samples are not read"},
      {"three.wav", testfiles::riffFile({testfiles::fmtChunk(1, 3, 44100, 16), data}),
       "3 channels (only mono and stereo are read)"},
      {"nodata.wav", testfiles::riffFile({fmt, Chunk{"LIST", data.body}}), "no \"data\" chunk"},
      {"empty.wav", testfiles::riffFile({fmt, Chunk{"data", {}}, Chunk{"LIST", data.body}}),
       "the \"data\" chunk is empty"},
      {"mpeg25.mp3", mpeg25, "an MPEG-2.5 stream"},
      {"free.mp3", freeFormat, "a free-format MPEG stream"},
      {"tagonly.mp3", tagOnly, "too few MPEG frames"},
  };
  testfiles::writeFile(out, {'o', 'l', 'd'});
  for (const auto& c : cases)
    if (!c.bytes.empty()) testfiles::writeFile(dir.file(c.name), c.bytes);
  const std::vector<std::string> before = listing();
  for (const auto& c : cases) {
    const std::string path = dir.file(c.name);
    for (const std::string& command :
         {"info " + quote(path), "decode " + quote(path) + " -o " + quote(out)}) {
      SCOPED_TRACE(command);
      const auto r = runCli(dir, command);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "cantora-cli: " + path + ": Could not load or read this file! (" + c.reason +
                           ")\n");
    }
    if (!c.bytes.empty()) {
      EXPECT_EQ(testfiles::readFile(path), c.bytes);
    }
  }
  EXPECT_EQ(testfiles::readFile(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(listing(), before);
}

TEST_F(CliCommand, DecodeFailuresLeaveNothingBehindAndKeepAnEarlierOutputAndTheInput) {
  // (A write that fails part way, the disk full: tests/faults.)
  const std::string out = dir.file("out.wav");
  testfiles::writeFile(out, {'o', 'l', 'd'});
  const std::string in = dir.file("in.wav");
  ASSERT_TRUE(testfiles::soxSynth(in, 44100, 2, 100000));
  const std::vector<unsigned char> input = testfiles::readFile(in);
  // An output folder that does not exist.
  auto r = runCli(dir, "decode " + quote(in) + " -o " + quote(dir.file("no/such.wav")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Could not create file!"), std::string::npos) << r.err;
  // An output that is a folder: the rename fails and the temporary goes.
  std::filesystem::create_directory(dir.file("folder.wav"));
  r = runCli(dir, "decode " + quote(in) + " -o " + quote(dir.file("folder.wav")));
  EXPECT_EQ(r.status, 1);
  // decode once wrote the track over its own input when asked to.
  for (const std::string& output : {in, dir.path().string() + "/./in.wav"}) {
    r = runCli(dir, "decode " + quote(in) + " -o " + quote(output));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
  }
  EXPECT_EQ(testfiles::readFile(in), input);
  EXPECT_EQ(listing(), (std::vector<std::string>{"folder.wav", "in.wav", "out.wav"}));
}

// Interrupted while the temporary file is being written, decode removes it.
TEST_F(CliCommand, AnInterruptedDecodeLeavesNothingBehind) {
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

TEST_F(CliCommand, ArgumentErrorsAreUsageErrorsAndHelpGoesToStdout) {
  for (const std::string args :
       {"info", "info a b", "decode a.wav", "decode a b -o x", "decode --frob a -o x", "frobnicate",
        "info --threads 0 a", "decode a -o x --threads", "decode --threads=two a -o x",
        "info --threads=300 a"}) {
    SCOPED_TRACE(args);
    const auto r = runCli(dir, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  for (const auto& [args, usage] :
       {std::pair{"info --help", "usage: cantora-cli info [--threads N] FILE"},
        {"decode -h", "usage: cantora-cli decode FILE -o OUT.wav"},
        {"--help", "usage: cantora-cli COMMAND [ARGS...]\n"}}) {
    const auto r = runCli(dir, args);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_EQ(r.out.rfind(usage, 0), 0u) << r.out;
    EXPECT_EQ(r.err, "") << args;
  }
  // No command at all is a usage error too; the usage lists every command.
  const auto r = runCli(dir, "");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  for (const std::string name : {"info", "decode", "readout", "tune", "devices"})
    EXPECT_NE(r.err.find("\n  " + name + " "), std::string::npos) << name << " in " << r.err;
}

}  // namespace
