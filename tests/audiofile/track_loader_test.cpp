#include "audiofile/track_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/audiofile_constants.h"

namespace {

using audiofile::LoadStatus;
using testfiles::TempDir;

class Recorder : public audiofile::LoadObserver {
 public:
  void loadStarted(const std::int16_t* samples, std::uint32_t channels,
                   std::uint64_t totalBytes) override {
    started = samples != nullptr;
    startChannels = channels;
    startTotal = totalBytes;
  }
  bool blockRead(std::uint64_t producedBytes, std::uint64_t totalBytes) override {
    produced.push_back(producedBytes);
    EXPECT_EQ(totalBytes, startTotal);
    return stopAfter == 0 || produced.size() < stopAfter;
  }
  bool started = false;
  std::uint32_t startChannels = 0;
  std::uint64_t startTotal = 0;
  std::vector<std::uint64_t> produced;
  std::size_t stopAfter = 0;
};

class TrackLoader : public ::testing::Test {
 protected:
  TempDir dir{"track_loader"};
};

TEST_F(TrackLoader, LoadsWholeBlocksAndReportsEachOne) {
  const std::string path = dir.file("mono.wav");
  ASSERT_TRUE(testfiles::soxSynth(path, 44100, 1, 10000));
  const std::vector<std::int16_t> expected = testfiles::soxSamples(path);
  audiofile::LoadedTrack track;
  Recorder rec;
  ASSERT_EQ(audiofile::loadTrack(path.c_str(), track, &rec), LoadStatus::Loaded);
  EXPECT_EQ(track.channels, 1u);
  EXPECT_EQ(track.frameCount, 3u * 4608);
  EXPECT_TRUE(rec.started);
  EXPECT_EQ(rec.startChannels, 1u);
  EXPECT_EQ(rec.startTotal, 3u * 9216);
  EXPECT_EQ(rec.produced, (std::vector<std::uint64_t>{9216, 2 * 9216, 3 * 9216}));
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), track.samples.get()));
  for (std::uint32_t i = 10000; i < track.frameCount; ++i) ASSERT_EQ(track.samples[i], 0) << i;
}

TEST_F(TrackLoader, RefusesFilesUnder4096BytesAndExaminesThoseOf4096) {
  // Canonical headers of 44 bytes: 4052 data bytes make a file of 4096.
  std::vector<std::int16_t> samples(4052 / 2, 5);
  const std::string exact = dir.file("exact.wav");
  testfiles::writeFile(exact, testfiles::pcmWav(2, 44100, samples));
  audiofile::LoadedTrack track;
  ASSERT_EQ(audiofile::loadTrack(exact.c_str(), track), LoadStatus::Loaded);
  EXPECT_EQ(track.frameCount, 4608u);
  EXPECT_EQ(track.samples[2 * 1012], 5);
  EXPECT_EQ(track.samples[2 * 1013], 0);

  samples.pop_back();
  const std::string shorter = dir.file("short.wav");
  testfiles::writeFile(shorter, testfiles::pcmWav(2, 44100, samples));
  audiofile::LoadedTrack untouched;
  untouched.channels = 2;
  untouched.frameCount = 9;
  EXPECT_EQ(audiofile::loadTrack(shorter.c_str(), untouched), LoadStatus::Unreadable);
  EXPECT_EQ(untouched.frameCount, 9u);
  EXPECT_EQ(untouched.samples, nullptr);
  EXPECT_EQ(audiofile::loadTrack(dir.file("missing.wav").c_str(), untouched),
            LoadStatus::Unreadable);
  EXPECT_STREQ(audiofile::loadStatusMessage(LoadStatus::Unreadable),
               "Could not load or read this file!");
  EXPECT_STREQ(audiofile::loadStatusMessage(LoadStatus::NoMemory),
               "Insufficient memory to load this track!");
}

TEST_F(TrackLoader, AnObserverCanStopTheLoad) {
  const std::string path = dir.file("stereo.wav");
  ASSERT_TRUE(testfiles::soxSynth(path, 48000, 2, 30000));
  audiofile::LoadedTrack track;
  Recorder rec;
  rec.stopAfter = 2;
  EXPECT_EQ(audiofile::loadTrack(path.c_str(), track, &rec), LoadStatus::Cancelled);
  EXPECT_EQ(rec.produced.size(), 2u);
  EXPECT_EQ(track.samples, nullptr);
  EXPECT_EQ(track.frameCount, 0u);
}

}  // namespace
