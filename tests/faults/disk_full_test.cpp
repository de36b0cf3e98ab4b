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
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/app_constants.h"
#include "app/app_harness.h"
#include "audiofile/audio_test_files.h"
#include "audiofile/wav_writer.h"
#include "cli/cli_run.h"
#include "cli/track_io.h"
#include "platform/disk_space_limit.h"
#include "state/record_chunk.h"

namespace {

using testfiles::TempDir;

// Free space once the earlier file is in place: far less than any output.
constexpr std::uint64_t FREE_BYTES = 64 * 1024;
constexpr const char* TMPFS_SIZE = "size=128k";

enum class Disk { Seam, Tmpfs };

// A folder whose disk is full past FREE_BYTES (with the seam) or is a tmpfs
// of 128 KiB. `skipped` says why a tmpfs could not be had.
class FullDisk {
 public:
  FullDisk(Disk disk, const char* tag) : disk_(disk), dir_(tag) {
    if (disk == Disk::Tmpfs && ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, TMPFS_SIZE) != 0)
      skipped = std::string("no tmpfs could be mounted here (") + std::strerror(errno) + ")";
    mounted_ = disk == Disk::Tmpfs && skipped.empty();
  }
  ~FullDisk() {
    platform::unlimitDiskSpaceForTesting();
    if (mounted_) ::umount(dir_.path().c_str());
  }
  // Call once the earlier file is written.
  void fill() {
    if (disk_ == Disk::Seam) platform::limitDiskSpaceForTesting(FREE_BYTES);
  }
  void release() { platform::unlimitDiskSpaceForTesting(); }
  std::string file(const char* name) const { return dir_.file(name); }
  // The files in the folder, by name.
  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      all.push_back(e.path().filename().string());
    return all;
  }
  std::string skipped;

 private:
  Disk disk_;
  TempDir dir_;
  bool mounted_ = false;
};

const char* name(Disk d) {
  return d == Disk::Seam ? "full-disk seam" : "tmpfs";
}

std::vector<std::int16_t> tone(std::size_t samples) {
  std::vector<std::int16_t> s(samples);
  for (std::size_t i = 0; i < samples; ++i)
    s[i] = static_cast<std::int16_t>(9000 * std::sin(0.031 * static_cast<double>(i)));
  return s;
}

std::int16_t* refuseMemory(std::uint64_t) {
  return nullptr;
}

TEST(DiskFull, SaveAsKeepsTheEarlierFileAndSaysSo) {
  for (const Disk d : {Disk::Seam, Disk::Tmpfs}) {
    SCOPED_TRACE(name(d));
    FullDisk disk(d, "disk_full_save");
    if (!disk.skipped.empty()) GTEST_SKIP() << disk.skipped;
    const std::string target = disk.file("kept.wav");
    testfiles::writeFile(target, testfiles::pcmWav(1, 44100, tone(20000)));
    const std::vector<unsigned char> before = testfiles::readFile(target);
    disk.fill();
    apptest::Harness h;
    h.loadTrack(200000, 2);
    h.shell.fileAnswers.push_back(target);
    h.window.onCommand(app::CMD_SAVE_AS);
    ASSERT_TRUE(h.finishWorkers());
    disk.release();
    EXPECT_EQ(h.app.mode, state::TransportMode::Idle);
    ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
    EXPECT_EQ(h.shell.messageBoxes[0].text, app::MSG_CANNOT_WRITE);
    EXPECT_EQ(h.shell.messageBoxes[0].caption, std::string(app::CAPTION_CREATE_ERROR));
    EXPECT_EQ(testfiles::readFile(target), before);
    EXPECT_EQ(disk.names(), std::vector<std::string>{"kept.wav"});
    EXPECT_TRUE(h.app.hasTrack());
    std::printf("save on a full disk (%s): \"%s\" (%s)\n", name(d),
                h.shell.messageBoxes[0].text.c_str(), h.shell.messageBoxes[0].caption.c_str());
  }
}

// A recording too long for memory goes to a file chunk by chunk; the disk
// fills part way. What reached the disk is the only copy of those samples,
// so the file is kept, complete in itself, and the user is told the rest is
// missing.
TEST(DiskFull, ASpooledRecordingKeepsWhatReachedTheDisk) {
  constexpr std::uint32_t BLOCK_FRAMES = 256, BLOCKS_PER_CHUNK = 16, CHUNKS = 8;
  for (const Disk d : {Disk::Seam, Disk::Tmpfs}) {
    SCOPED_TRACE(name(d));
    FullDisk disk(d, "disk_full_spool");
    if (!disk.skipped.empty()) GTEST_SKIP() << disk.skipped;
    disk.fill();
    apptest::Harness h;
    h.readyStream();
    h.app.blockFrames = BLOCK_FRAMES;
    h.app.blocksPerChunk = BLOCKS_PER_CHUNK;
    h.app.driverRate = 48000;
    h.window.onCommand(view::ID_RECORD);
    ASSERT_EQ(h.app.mode, state::TransportMode::Recording);
    const std::vector<std::int16_t> recorded = tone(2 * CHUNKS * BLOCKS_PER_CHUNK * BLOCK_FRAMES);
    for (std::uint32_t c = 0, at = 0; c < CHUNKS; ++c) {
      state::RecordChunk* chunk = state::RecordChunk::create(BLOCKS_PER_CHUNK, BLOCK_FRAMES);
      chunk->blocksUsed = BLOCKS_PER_CHUNK;
      for (std::uint32_t i = 0; i < BLOCKS_PER_CHUNK * BLOCK_FRAMES; ++i, at += 2) {
        chunk->left[i] = recorded[at];
        chunk->right[i] = recorded[at + 1];
      }
      h.app.chunks.append(chunk);
      h.app.chunkCount.fetch_add(1);
    }
    h.ctx().allocateTrack = &refuseMemory;
    const std::string target = disk.file("take.wav");
    h.shell.fileAnswers.push_back(target);
    h.window.onCommand(view::ID_STOP);
    ASSERT_TRUE(h.finishWorkers());
    disk.release();
    EXPECT_EQ(h.app.mode, state::TransportMode::Idle);
    EXPECT_EQ(h.app.chunks.head, nullptr);
    EXPECT_FALSE(h.app.spoolBuffer);
    ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
    EXPECT_EQ(h.shell.messageBoxes[0].text, app::MSG_RECORDING_INCOMPLETE);
    EXPECT_EQ(disk.names(), std::vector<std::string>{"take.wav"});
    // A whole WAV file: its sizes are those of the samples in it, and those
    // are the recording's first chunks.
    const std::vector<unsigned char> file = testfiles::readFile(target);
    ASSERT_GT(file.size(), audiofile::WAV_WRITER_DATA_OFFSET);
    const std::uint32_t dataBytes = testfiles::getLe32(file, audiofile::WAV_WRITER_DATA_OFFSET - 4);
    EXPECT_EQ(dataBytes, file.size() - audiofile::WAV_WRITER_DATA_OFFSET);
    EXPECT_EQ(testfiles::getLe32(file, 4), file.size() - 8);
    EXPECT_GT(dataBytes, 0u);
    EXPECT_LT(dataBytes, recorded.size() * 2);
    EXPECT_EQ(
        std::memcmp(file.data() + audiofile::WAV_WRITER_DATA_OFFSET, recorded.data(), dataBytes),
        0);
    std::printf("spooled recording on a full disk (%s): \"%s\" (%s), %u of %zu bytes kept\n",
                name(d), h.shell.messageBoxes[0].text.c_str(),
                h.shell.messageBoxes[0].caption.c_str(), dataBytes, recorded.size() * 2);
  }
}

// `cantora-cli decode`: its writing in this process over the seam, and the
// program itself onto a tmpfs.
TEST(DiskFull, DecodeKeepsTheEarlierOutputAndSaysSo) {
  for (const Disk d : {Disk::Seam, Disk::Tmpfs}) {
    SCOPED_TRACE(name(d));
    FullDisk disk(d, "disk_full_decode");
    if (!disk.skipped.empty()) GTEST_SKIP() << disk.skipped;
    const std::string output = disk.file("out.wav");
    testfiles::writeFile(output, testfiles::pcmWav(1, 44100, tone(20000)));
    const std::vector<unsigned char> before = testfiles::readFile(output);
    std::string printed;
    int status = 0;
    if (d == Disk::Seam) {
      audiofile::LoadedTrack track;
      const std::vector<std::int16_t> samples = tone(2 * 100000);
      track.samples.reset(new std::int16_t[samples.size()]);
      std::copy(samples.begin(), samples.end(), track.samples.get());
      track.channels = 2;
      track.frameCount = 100000;
      disk.fill();
      testing::internal::CaptureStderr();
      status = cli::writeTrack(track, output);
      printed = testing::internal::GetCapturedStderr();
    } else {
      // The input lives on another disk; only the output's is full.
      TempDir elsewhere("disk_full_decode_input");
      const std::string far = elsewhere.file("in.wav");
      testfiles::writeFile(far, testfiles::pcmWav(2, 44100, tone(2 * 100000)));
      const clitest::CliResult r = clitest::runCli(
          elsewhere, "decode " + clitest::quote(far) + " -o " + clitest::quote(output));
      status = r.status;
      printed = r.err;
    }
    disk.release();
    EXPECT_EQ(status, 1);
    EXPECT_NE(printed.find(output + ": could not write the file: No space left on device"),
              std::string::npos)
        << printed;
    EXPECT_EQ(testfiles::readFile(output), before);
    EXPECT_EQ(disk.names(), std::vector<std::string>{"out.wav"});
    std::printf("decode on a full disk (%s) printed: %s", name(d), printed.c_str());
  }
}

}  // namespace
