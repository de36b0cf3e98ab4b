// Every allocation of a load, and of a tuning run, fails once in turn. The
// load of each kind of file ends with the out-of-memory status, the tuning
// run with out of memory or the engine failed (or either goes through when
// the failure was one it can do without); never an exception, a crash or a
// leak, and the track stays as it was whenever it was not replaced or tuned.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/track_loader.h"
#include "failing_allocator.h"
#include "tuning/tune_selection.h"

namespace {

using audiofile::LoadStatus;
using tuning::TuneStatus;

TEST(LoadAllocationFailure, EveryAllocationOfALoadFailsOnceInTurn) {
  testfiles::TempDir dir("load_alloc_failure");
  const std::string wav = dir.file("pcm.wav");
  const std::string wav22 = dir.file("pcm22050.wav");
  const std::string mp3 = dir.file("stream.mp3");
  const std::string mp3mpeg2 = dir.file("stream22050.mp3");
  ASSERT_TRUE(testfiles::soxSynth(wav, 44100, 2, 20000));
  ASSERT_TRUE(testfiles::soxSynth(wav22, 22050, 1, 40000));
  ASSERT_EQ(std::system(("lame --quiet -b 96 '" + wav + "' '" + mp3 + "'").c_str()), 0);
  ASSERT_EQ(std::system(("lame --quiet -b 32 '" + wav22 + "' '" + mp3mpeg2 + "'").c_str()), 0);

  int outOfMemory = 0;
  for (const std::string& path : {wav, wav22, mp3, mp3mpeg2}) {
    SCOPED_TRACE(path);
    audiofile::LoadedTrack track;
    audiofile::ImportRefusal why;
    LoadStatus status = LoadStatus::Cancelled;
    const faulttest::SweepCounts counts = faulttest::sweepAllocations(
        ("load of " + std::filesystem::path(path).filename().string()).c_str(),
        {[&] {
           track = audiofile::LoadedTrack{};
           track.frameCount = 3;
           why = audiofile::ImportRefusal{};
           status = LoadStatus::Cancelled;
         },
         [&] { status = audiofile::loadTrack(path.c_str(), track, nullptr, &why); },
         [&] {
           if (status == LoadStatus::Loaded) return faulttest::Outcome::Survived;
           EXPECT_EQ(status, LoadStatus::NoMemory);
           EXPECT_EQ(why.reason, audiofile::ImportReason::NoMemory);
           EXPECT_STREQ(audiofile::loadStatusMessage(status),
                        "Insufficient memory to load this track!");
           EXPECT_EQ(track.frameCount, 3u);
           EXPECT_EQ(track.samples, nullptr);
           return faulttest::Outcome::Refused;
         }});
    outOfMemory += counts.refused;
  }
  EXPECT_GT(outOfMemory, 4);
}

TEST(TuneAllocationFailure, EveryAllocationOfATuningRunFailsOnceInTurn) {
  std::vector<std::int16_t> original(2 * 20000);
  for (std::size_t i = 0; i < original.size(); ++i)
    original[i] = static_cast<std::int16_t>(8000 * std::sin(0.0313 * static_cast<double>(i)));
  tuning::EngineParams params;
  params.noteEnabled[0] = true;
  params.pitchShift = 1;

  std::vector<std::int16_t> samples;
  tuning::TuneResult result;
  const faulttest::SweepCounts counts = faulttest::sweepAllocations(
      "tuning run",
      {[&] {
         samples = original;
         result = tuning::TuneResult{};
       },
       [&] {
         result = tuning::TuneSelection(params, {samples.data(), 2, 20000}, {3000, 15000, 2});
       },
       [&] {
         if (result.status == TuneStatus::Tuned) {
           EXPECT_NE(samples, original);
           return faulttest::Outcome::Survived;
         }
         // The engine's own arrays failing is the engine failing.
         EXPECT_TRUE(result.status == TuneStatus::OutOfMemory ||
                     result.status == TuneStatus::EngineFailed);
         EXPECT_EQ(samples, original);
         EXPECT_EQ(result.undo.samples, nullptr);
         return faulttest::Outcome::Refused;
       }});
  EXPECT_GT(counts.refused, 2);
}

}  // namespace
