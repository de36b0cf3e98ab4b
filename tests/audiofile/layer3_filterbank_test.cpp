// The single-precision filterbanks against the double-precision reference:
// the same random spectra through both, granule after granule (so the overlap
// and the synthesis ring carry over), for every block shape the IMDCT has.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "audiofile/layer3_filterbank.h"

namespace {

using audiofile::BlockShape;
using audiofile::FilterbankState;
using audiofile::GRANULE_LINES;
using audiofile::SLOTS;
using audiofile::SUBBANDS;

struct ShapeCase {
  const char* name;
  BlockShape shape;
  int limit;  // subbands carrying lines
};

TEST(Layer3Filterbank, SinglePrecisionFollowsTheReference) {
  const ShapeCase cases[] = {
      {"long", {false, false, 0}, SUBBANDS},
      {"long, few subbands", {false, false, 0}, 5},
      {"start", {false, false, 1}, 30},
      {"stop", {false, false, 3}, SUBBANDS},
      {"start flagged mixed", {false, true, 1}, 17},
      {"short", {true, false, 2}, SUBBANDS},
      {"short and mixed", {true, true, 2}, 12},
  };
  std::mt19937 random(16);
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto fast = std::make_unique<FilterbankState<float>>();
    auto exact = std::make_unique<FilterbankState<double>>();
    int fastPosition = 0;
    int exactPosition = 0;
    std::int16_t fastPcm[GRANULE_LINES];
    std::int16_t exactPcm[GRANULE_LINES];
    double worstSubband = 0.0;
    int differing = 0;
    int compared = 0;
    for (int granule = 0; granule < 6; ++granule) {
      // Loud enough that some samples clip.
      std::uniform_real_distribution<double> line(-0.4, 0.4);
      double xr[GRANULE_LINES] = {};
      for (int i = 0; i < c.limit * SLOTS; ++i) xr[i] = line(random);
      audiofile::transformSubbands(xr, c.limit, c.shape, fast->overlap[0], fast->subbandSamples);
      audiofile::transformSubbands(xr, c.limit, c.shape, exact->overlap[0], exact->subbandSamples);
      for (int i = 0; i < SLOTS; ++i) {
        for (int sb = 0; sb < SUBBANDS; ++sb) {
          const double e = exact->subbandSamples[i][sb];
          worstSubband = std::max(worstSubband, std::abs(fast->subbandSamples[i][sb] - e));
        }
      }
      audiofile::synthesiseSlots(fast->subbandSamples, fast->ring[0], fastPosition, fastPcm);
      audiofile::synthesiseSlots(exact->subbandSamples, exact->ring[0], exactPosition, exactPcm);
      ASSERT_EQ(fastPosition, exactPosition);
      for (int i = 0; i < GRANULE_LINES; ++i) {
        ASSERT_LE(std::abs(fastPcm[i] - exactPcm[i]), 1)
            << "granule " << granule << " sample " << i;
        differing += fastPcm[i] != exactPcm[i];
        ++compared;
      }
    }
    // Subband values reach about 1; single precision keeps seven digits.
    EXPECT_LT(worstSubband, 1e-5);
    // A rounding step apart only where the exact value lies within a hair of
    // half a step.
    EXPECT_LT(differing, compared / 50);
  }
}

}  // namespace
