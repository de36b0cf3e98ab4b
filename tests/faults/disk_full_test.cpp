// The disk fills up while a file is written: Save as, the finishing of a
// recording spooled to a file, and `cantora-cli decode`. Each runs on a disk
// made full two ways: the output files' own full-disk seam (runs everywhere)
// and a small tmpfs (where mounting one is permitted). No crash, the
// program's message, an earlier file at the target byte for byte as it was,
// no temporary file left; a spooled recording keeps what reached the disk.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app_constants.h"
#include "app/app_harness.h"
#include "app/recorded_chunks.h"
#include "audiofile/audio_test_files.h"
#include "audiofile/wav_writer.h"
#include "cli/cli_run.h"
#include "cli/track_io.h"
#include "platform/disk_space_limit.h"
#include "support/test_signals.h"

namespace {

using testfiles::TempDir;

// Free space once the earlier file is in place: far less than any output.
constexpr std::uint64_t FREE_BYTES = 64 * 1024;

enum class Disk { Seam, Tmpfs };

// A folder on a tmpfs of 128 KiB, or one whose disk is full past FREE_BYTES
// once fill() is called; `skipped` says why a tmpfs could not be had.
class FullDisk : public TempDir {
 public:
  explicit FullDisk(Disk disk) : TempDir("disk_full"), disk_(disk) {
    if (disk == Disk::Tmpfs && ::mount("tmpfs", path().c_str(), "tmpfs", 0, "size=128k") != 0)
      skipped = std::string("no tmpfs could be mounted here (") + std::strerror(errno) + ")";
    mounted_ = disk == Disk::Tmpfs && skipped.empty();
  }
  ~FullDisk() {
    platform::unlimitDiskSpaceForTesting();
    if (mounted_) ::umount(path().c_str());
  }
  void fill() {
    if (disk_ == Disk::Seam) platform::limitDiskSpaceForTesting(FREE_BYTES);
  }
  std::string skipped;

 private:
  Disk disk_;
  bool mounted_ = false;
};

std::vector<std::int16_t> tone(std::size_t samples) {
  return testsignals::sine(218.0, static_cast<std::int64_t>(samples), 9000.0);
}

std::int16_t* refuseMemory(std::uint64_t) {
  return nullptr;
}

// The one message box the window showed, as "text (caption)".
std::string told(const apptest::Harness& h) {
  EXPECT_EQ(h.app.mode, state::TransportMode::Idle);
  EXPECT_EQ(h.shell.messageBoxes.size(), 1u);
  if (h.shell.messageBoxes.empty()) return "";
  return h.shell.messageBoxes[0].text + " (" + h.shell.messageBoxes[0].caption + ")";
}

// Save as over an earlier file: it stays as it was.
std::string saveAs(Disk, const std::string& target) {
  apptest::Harness h;
  h.loadTrack(200000, 2);
  h.shell.fileAnswers.push_back(target);
  h.window.onCommand(app::CMD_SAVE_AS);
  EXPECT_TRUE(h.finishWorkers());
  EXPECT_TRUE(h.app.hasTrack());
  return told(h);
}

// A recording too long for memory goes to a file chunk by chunk; the disk
// fills part way. What reached the disk is the only copy of those samples,
// so the file is kept, whole in itself, and the user is told the rest is
// missing.
std::string spooledRecording(Disk, const std::string& target) {
  apptest::Harness h;
  h.readyStream();
  h.app.blockFrames = 256;
  h.app.blocksPerChunk = 16;
  h.app.driverRate = 48000;
  h.window.onCommand(view::ID_RECORD);
  EXPECT_EQ(h.app.mode, state::TransportMode::Recording);
  const std::vector<std::int16_t> recorded = apptest::appendChunks(h.app, 8, 16);
  h.ctx().allocateTrack = &refuseMemory;
  h.shell.fileAnswers.push_back(target);
  h.window.onCommand(view::ID_STOP);
  EXPECT_TRUE(h.finishWorkers());
  EXPECT_EQ(h.app.chunks.head, nullptr);
  EXPECT_FALSE(h.app.spoolBuffer);
  // The sizes in its header are those of the samples in it, and those are
  // the recording's first chunks.
  const std::vector<unsigned char> file = testfiles::readFile(target);
  const std::size_t at = audiofile::WAV_WRITER_DATA_OFFSET;
  if (file.size() <= at) return "no file kept: " + told(h);
  const std::uint32_t dataBytes = testfiles::getLe32(file, at - 4);
  EXPECT_EQ(dataBytes, file.size() - at);
  EXPECT_EQ(testfiles::getLe32(file, 4), file.size() - 8);
  EXPECT_GT(dataBytes, 0u);
  EXPECT_LT(dataBytes, recorded.size() * 2);
  EXPECT_EQ(std::memcmp(file.data() + at, recorded.data(), dataBytes), 0);
  return told(h) + ", " + std::to_string(dataBytes) + " of " + std::to_string(recorded.size() * 2) +
         " bytes kept";
}

// `cantora-cli decode` over an earlier output: its writing in this process
// over the seam, and the program itself onto a tmpfs (the input on another
// disk).
std::string decode(Disk d, const std::string& output) {
  if (d == Disk::Seam) {
    audiofile::LoadedTrack track;
    const std::vector<std::int16_t> samples = tone(2 * 100000);
    track.samples.reset(new std::int16_t[samples.size()]);
    std::copy(samples.begin(), samples.end(), track.samples.get());
    track.channels = 2;
    track.frameCount = 100000;
    testing::internal::CaptureStderr();
    EXPECT_EQ(cli::writeTrack(track, output), 1);
    return testing::internal::GetCapturedStderr();
  }
  TempDir elsewhere("disk_full_decode_input");
  const std::string in = elsewhere.file("in.wav");
  testfiles::writeFile(in, testfiles::pcmWav(2, 44100, tone(2 * 100000)));
  const clitest::CliResult r =
      clitest::runCli(elsewhere, "decode " + clitest::quote(in) + " -o " + clitest::quote(output));
  EXPECT_EQ(r.status, 1);
  return r.err;
}

TEST(DiskFull, EachWriterSaysSoKeepsTheEarlierFileAndLeavesNoTemporary) {
  const struct {
    const char* what;
    const char* file;  // the one file in the folder afterwards
    bool earlier;      // an earlier file there, to be kept byte for byte
    std::function<std::string(Disk, const std::string&)> run;
    std::string said;  // what the user is told (a part of it for decode)
  } cases[] = {
      {"save", "kept.wav", true, saveAs,
       std::string(app::MSG_CANNOT_WRITE) + " (" + app::CAPTION_CREATE_ERROR + ")"},
      {"spooled recording", "take.wav", false, spooledRecording,
       std::string(app::MSG_RECORDING_INCOMPLETE) + " (" + app::CAPTION_CREATE_ERROR + ")"},
      {"decode", "out.wav", true, decode,
       "out.wav: could not write the file: No space left on device"},
  };
  for (const auto& c : cases) {
    for (const Disk d : {Disk::Seam, Disk::Tmpfs}) {
      const char* diskName = d == Disk::Seam ? "full-disk seam" : "tmpfs";
      SCOPED_TRACE(std::string(c.what) + " on the " + diskName);
      FullDisk disk(d);
      if (!disk.skipped.empty()) {
        std::printf("%s on a tmpfs: %s\n", c.what, disk.skipped.c_str());
        continue;
      }
      const std::string target = disk.file(c.file);
      if (c.earlier) testfiles::writeFile(target, testfiles::pcmWav(1, 44100, tone(20000)));
      const std::vector<unsigned char> before = testfiles::readFile(target);
      disk.fill();
      const std::string said = c.run(d, target);
      platform::unlimitDiskSpaceForTesting();
      EXPECT_NE(said.find(c.said), std::string::npos) << said;
      if (c.earlier) {
        EXPECT_EQ(testfiles::readFile(target), before);
      }
      EXPECT_EQ(clitest::listing(disk), std::vector<std::string>{c.file});
      std::printf("%s on a full disk (%s): %s%s", c.what, diskName, said.c_str(),
                  said.ends_with('\n') ? "" : "\n");
    }
  }
}

}  // namespace
