// A load on several threads gives the track and the progress calls of a load
// on one, and stops its threads when the observer stops it.
#include "audiofile/piece_test_files.h"

namespace {

using namespace piecetest;

TEST_F(PieceReading, ALoadOnSeveralThreadsEqualsALoadOnOne) {
  // 24-bit PCM through the converter cannot start in the middle: read in one go.
  const std::string wide = dir.file("wide.wav");
  std::vector<unsigned char> data;
  for (const std::int16_t s : mpegtest::synthSignal(48000, 2, 3.0)) {
    data.push_back(0x5A);
    testfiles::appendLe(data, static_cast<std::uint16_t>(s), 2);
  }
  testfiles::writeFile(wide, testfiles::riffFile({testfiles::fmtChunk(1, 2, 48000, 24),
                                                  testfiles::Chunk{"data", data}}));
  ASSERT_FALSE(openReader(wide)->source()->startsAnywhere());
  files.push_back(wide);

  int deliverLess = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    audiofile::LoadedTrack one;
    Recorder oneCalls;
    ASSERT_EQ(audiofile::loadTrack(path.c_str(), one, &oneCalls, nullptr, 1),
              audiofile::LoadStatus::Loaded);
    // A stream whose first frames cannot be decoded delivers less than it
    // announced: with a piece for every block, the last pieces cannot start
    // and the loading thread reads on in their place.
    std::vector<unsigned> threadCounts = {2, 5};
    const std::uint64_t blocks = openReader(path)->blockCount();
    if (oneCalls.produced.back() < blocks * one.channels * audiofile::BLOCK_BYTES_PER_CHANNEL) {
      threadCounts.push_back(static_cast<unsigned>(blocks));
      ++deliverLess;
    }
    for (const unsigned threads : threadCounts) {
      audiofile::LoadedTrack many;
      Recorder manyCalls;
      ASSERT_EQ(audiofile::loadTrack(path.c_str(), many, &manyCalls, nullptr, threads),
                audiofile::LoadStatus::Loaded);
      ASSERT_EQ(many.frameCount, one.frameCount) << threads << " threads";
      EXPECT_TRUE(std::equal(one.samples.get(),
                             one.samples.get() + std::size_t{one.frameCount} * one.channels,
                             many.samples.get()))
          << threads << " threads";
      EXPECT_EQ(manyCalls.produced, oneCalls.produced) << threads << " threads";
    }
  }

  // (l3-sin1k0db is such a stream.)
  if (std::filesystem::exists(DATA_DIR + "/l3-sin1k0db.bit")) {
    EXPECT_GT(deliverLess, 0);
  }

  // Stopped by the observer part-way, the pieces still reading are stopped
  // too and the track is left as it was.
  audiofile::LoadedTrack untouched;
  Recorder stopper;
  stopper.stopAfter = 2;
  EXPECT_EQ(audiofile::loadTrack(files.front().c_str(), untouched, &stopper, nullptr, 4),
            audiofile::LoadStatus::Cancelled);
  EXPECT_EQ(untouched.samples, nullptr);
}

}  // namespace
