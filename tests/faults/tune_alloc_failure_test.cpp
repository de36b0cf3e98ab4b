// Every allocation of a tuning run fails once, in turn: the run reports that
// memory ran out or the engine could not be built (or tunes, when the failure was one it can do
// without), never throws, and leaves the track as it was whenever it did not tune.
#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <vector>

#include "failing_allocator.h"
#include "tuning/tune_selection.h"

namespace {

using tuning::TuneStatus;

TEST(TuneAllocationFailure, EveryAllocationOfATuningRunFailsOnceInTurn) {
  std::vector<std::int16_t> original(2 * 20000);
  for (std::size_t i = 0; i < original.size(); ++i)
    original[i] = static_cast<std::int16_t>(8000 * std::sin(0.0313 * static_cast<double>(i)));
  tuning::EngineParams params;
  params.noteEnabled[0] = true;
  params.pitchShift = 1;

  int injected = 0;
  int outOfMemory = 0;
  for (std::uint64_t failAt = 1;; ++failAt) {
    SCOPED_TRACE(failAt);
    std::vector<std::int16_t> samples = original;
    const tuning::TrackSamples track{samples.data(), 2, 20000};
    tuning::TuneResult result;
    bool threw = false;
    faulttest::armAllocationFailure(failAt);
    try {
      result = tuning::TuneSelection(params, track, {3000, 15000, 2});
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    const bool failed = faulttest::disarmAllocationFailure();
    EXPECT_FALSE(threw);
    if (!failed) {
      EXPECT_EQ(result.status, TuneStatus::Tuned);
      EXPECT_NE(samples, original);
      break;
    }
    ++injected;
    if (result.status == TuneStatus::Tuned) continue;
    // The engine's own arrays failing is the engine failing.
    EXPECT_TRUE(result.status == TuneStatus::OutOfMemory ||
                result.status == TuneStatus::EngineFailed);
    EXPECT_EQ(samples, original);
    EXPECT_EQ(result.undo.samples, nullptr);
    ++outOfMemory;
  }
  std::printf("%d allocations failed in turn, %d runs ended out of memory\n", injected,
              outOfMemory);
  EXPECT_GT(outOfMemory, 2);
}

}  // namespace
