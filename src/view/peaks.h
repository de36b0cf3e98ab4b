// The peak routines: the largest non-negative and the smallest negative value
// of a run of samples (0 when there is none). The renderer uses them per
// column; the loaders use them to fill AppState::peaks one group at a time.
#pragma once

#include <cstdint>

namespace view {

struct MonoPeak {
  std::int16_t max = 0;  // never negative
  std::int16_t min = 0;  // never positive
};

struct StereoPeak {
  std::int16_t max1 = 0;
  std::int16_t min1 = 0;
  std::int16_t max2 = 0;
  std::int16_t min2 = 0;
};

// n consecutive samples; fewer than two give 0 and 0.
MonoPeak peakMono(const std::int16_t* samples, std::uint32_t n);
// n interleaved stereo frames (left, right, ...).
StereoPeak peakStereo(const std::int16_t* frames, std::uint32_t n);

// `p` widened by n more samples or frames (any n, one included): the routines
// above over a run split in pieces, a piece at a time.
MonoPeak widenMono(MonoPeak p, const std::int16_t* samples, std::uint64_t n);
StereoPeak widenStereo(StereoPeak p, const std::int16_t* frames, std::uint64_t n);

// Computes group `group` of a peak array from its n frames (interleaved when
// channels is 2) and stores it: mono max, min; stereo max1, max2, min1, min2.
void storePeakGroup(std::int16_t* peaks, std::uint32_t group, std::uint32_t channels,
                    const std::int16_t* frames, std::uint32_t n);

// Fills every group of a peak array for a whole track, the last one partial.
// `peaks` holds ceil(frameCount / framesPerPeak) x channels x 2 values.
void computePeaks(std::int16_t* peaks, const std::int16_t* samples, std::uint32_t frameCount,
                  std::uint32_t channels, std::uint32_t framesPerPeak);

}  // namespace view
