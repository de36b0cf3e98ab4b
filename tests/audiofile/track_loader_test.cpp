#include "audiofile/track_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"

namespace {

using audiofile::LoadStatus;

class Recorder : public audiofile::LoadObserver {
 public:
  void loadStarted(const std::int16_t*, std::uint32_t channels, std::uint64_t totalBytes) override {
    startChannels = channels;
    startTotal = totalBytes;
  }
  bool blockRead(std::uint64_t producedBytes, std::uint64_t) override {
    produced.push_back(producedBytes);
    return stopAfter == 0 || produced.size() < stopAfter;
  }
  std::uint32_t startChannels = 0;
  std::uint64_t startTotal = 0;
  std::vector<std::uint64_t> produced;
  std::size_t stopAfter = 0;
};

TEST(TrackLoader, RefusesFilesUnder4096BytesAndLoadsThoseOf4096) {
  testfiles::TempDir dir("track_loader");
  // Canonical 44-byte headers: 4052 data bytes make a file of exactly 4096.
  std::vector<std::int16_t> samples(4052 / 2, 5);
  const std::string exact = dir.file("exact.wav");
  testfiles::writeFile(exact, testfiles::pcmWav(1, 44100, samples));
  audiofile::LoadedTrack track;
  Recorder rec;
  ASSERT_EQ(audiofile::loadTrack(exact.c_str(), track, &rec), LoadStatus::Loaded);
  EXPECT_EQ(track.channels, 1u);
  EXPECT_EQ(track.frameCount, 4608u);
  EXPECT_EQ(track.samples[2025], 5);
  EXPECT_EQ(track.samples[2026], 0);
  EXPECT_EQ(rec.startChannels, 1u);
  EXPECT_EQ(rec.startTotal, 9216u);
  EXPECT_EQ(rec.produced, std::vector<std::uint64_t>{9216});

  samples.pop_back();
  const std::string shorter = dir.file("short.wav");
  testfiles::writeFile(shorter, testfiles::pcmWav(1, 44100, samples));
  audiofile::LoadedTrack untouched;
  untouched.frameCount = 9;
  EXPECT_EQ(audiofile::loadTrack(shorter.c_str(), untouched), LoadStatus::Unreadable);
  EXPECT_EQ(audiofile::loadTrack(dir.file("missing.wav").c_str(), untouched),
            LoadStatus::Unreadable);
  EXPECT_EQ(untouched.frameCount, 9u);
  EXPECT_EQ(untouched.samples, nullptr);

  // An observer can stop a load part-way; the track stays as it was.
  const std::string longer = dir.file("longer.wav");
  ASSERT_TRUE(testfiles::soxSynth(longer, 48000, 2, 30000));
  Recorder stopper;
  stopper.stopAfter = 2;
  EXPECT_EQ(audiofile::loadTrack(longer.c_str(), untouched, &stopper), LoadStatus::Cancelled);
  EXPECT_EQ(stopper.produced.size(), 2u);
  EXPECT_EQ(untouched.samples, nullptr);
}

// Another program cuts the file short while it is mapped and being decoded:
// the next read of the mapping finds no file behind it (SIGBUS), on the
// loading thread or on a thread reading a later piece. The load fails with
// the load-failure status, the track stays as it was, and the program goes on
// loading files.
TEST(TrackLoader, AFileCutShortWhileLoadingFailsTheLoadAndNothingElse) {
  testfiles::TempDir dir("track_loader_cut");
  const std::string wav = dir.file("long.wav");
  ASSERT_TRUE(testfiles::soxSynth(wav, 44100, 2, 44100 * 8));
  const std::string mp3 = dir.file("long.mp3");
  ASSERT_EQ(std::system(("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'").c_str()), 0);
  // At another rate a WAV goes through the converter, more slowly.
  const std::string wav48 = dir.file("long48.wav");
  ASSERT_TRUE(testfiles::soxSynth(wav48, 48000, 2, 48000 * 8));
  const std::string kept = dir.file("kept.wav");
  ASSERT_TRUE(testfiles::soxSynth(kept, 44100, 1, 10000));

  class Cutter : public audiofile::LoadObserver {
   public:
    explicit Cutter(std::string path) : path_(std::move(path)) {}
    bool blockRead(std::uint64_t, std::uint64_t) override {
      if (++blocks_ == 1) {
        EXPECT_EQ(::truncate(path_.c_str(), 4096), 0);
        cutAt_ = std::chrono::steady_clock::now();
      }
      return true;
    }
    int blocks_ = 0;
    std::chrono::steady_clock::time_point cutAt_;

   private:
    std::string path_;
  };
  for (const std::string& original : {wav, wav48, mp3}) {
    for (const unsigned threads : {1u, 4u}) {
      const std::string copy = original + ".copy";
      std::filesystem::copy_file(original, copy, std::filesystem::copy_options::overwrite_existing);
      SCOPED_TRACE(copy + " on " + std::to_string(threads) + " threads");
      Cutter cutter(copy);
      audiofile::LoadedTrack track;
      track.frameCount = 7;
      audiofile::ImportRefusal why;
      EXPECT_EQ(audiofile::loadTrack(copy.c_str(), track, &cutter, &why, threads),
                LoadStatus::Unreadable);
      const auto took = std::chrono::steady_clock::now() - cutter.cutAt_;
      EXPECT_EQ(why.reason, audiofile::ImportReason::CannotRead);
      EXPECT_EQ(cutter.blocks_, 1);
      EXPECT_EQ(track.frameCount, 7u);
      EXPECT_EQ(track.samples, nullptr);
      std::printf("%s on %u threads: the load failed %.1f ms after the cut\n",
                  std::filesystem::path(original).filename().c_str(), threads,
                  std::chrono::duration<double, std::milli>(took).count());

      audiofile::LoadedTrack next;
      ASSERT_EQ(audiofile::loadTrack(kept.c_str(), next, nullptr, nullptr, threads),
                LoadStatus::Loaded);
      EXPECT_EQ(next.frameCount, 13824u);
    }
  }
}

}  // namespace
