#include "view/peaks.h"

namespace view {

namespace {

// max starts at 0 and min at 0, so max(max, v) keeps the largest non-negative
// value and min(min, v) the smallest negative one; written without branches
// the loops vectorise.
inline std::int16_t larger(std::int16_t a, std::int16_t b) {
  return a > b ? a : b;
}
inline std::int16_t smaller(std::int16_t a, std::int16_t b) {
  return a < b ? a : b;
}

}  // namespace

MonoPeak peakMono(const std::int16_t* samples, std::uint32_t n) {
  MonoPeak p;
  if (n < 2) return p;
  return widenMono(p, samples, n);
}

MonoPeak widenMono(MonoPeak p, const std::int16_t* samples, std::uint64_t n) {
  std::int16_t max = p.max, min = p.min;
  for (std::uint64_t i = 0; i < n; ++i) {
    max = larger(max, samples[i]);
    min = smaller(min, samples[i]);
  }
  return {max, min};
}

StereoPeak peakStereo(const std::int16_t* frames, std::uint32_t n) {
  return widenStereo(StereoPeak{}, frames, n);
}

StereoPeak widenStereo(StereoPeak p, const std::int16_t* frames, std::uint64_t n) {
  // Both channels side by side in one pair of accumulators.
  std::int16_t max[2] = {p.max1, p.max2}, min[2] = {p.min1, p.min2};
  for (std::uint64_t i = 0; i < 2 * n; i += 2) {
    for (int c = 0; c < 2; ++c) {
      max[c] = larger(max[c], frames[i + c]);
      min[c] = smaller(min[c], frames[i + c]);
    }
  }
  return {max[0], min[0], max[1], min[1]};
}

void storePeakGroup(std::int16_t* peaks, std::uint32_t group, std::uint32_t channels,
                    const std::int16_t* frames, std::uint32_t n) {
  if (channels == 2) {
    const StereoPeak p = peakStereo(frames, n);
    std::int16_t* g = peaks + static_cast<std::size_t>(group) * 4;
    g[0] = p.max1;
    g[1] = p.max2;
    g[2] = p.min1;
    g[3] = p.min2;
  } else {
    const MonoPeak p = peakMono(frames, n);
    std::int16_t* g = peaks + static_cast<std::size_t>(group) * 2;
    g[0] = p.max;
    g[1] = p.min;
  }
}

void computePeaks(std::int16_t* peaks, const std::int16_t* samples, std::uint32_t frameCount,
                  std::uint32_t channels, std::uint32_t framesPerPeak) {
  if (!peaks || !samples || framesPerPeak == 0) return;
  std::uint32_t group = 0;
  for (std::uint64_t first = 0; first < frameCount; first += framesPerPeak, ++group) {
    const std::uint64_t n = frameCount - first < framesPerPeak ? frameCount - first : framesPerPeak;
    storePeakGroup(peaks, group, channels, samples + first * channels,
                   static_cast<std::uint32_t>(n));
  }
}

}  // namespace view
