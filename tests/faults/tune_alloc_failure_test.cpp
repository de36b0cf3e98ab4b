// Every allocation of a tuning run fails once, in turn: the run reports that
// memory ran out or the engine could not be built (or tunes, when the failure was one it can do
// without), never throws, and leaves the track as it was whenever it did not tune.
#include <gtest/gtest.h>

#include <cmath>
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
