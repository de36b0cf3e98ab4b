#include "view/peaks.h"

namespace view {

namespace {

inline void take(std::int16_t v, std::int16_t& max, std::int16_t& min) {
  if (v >= 0) {
    if (v > max) max = v;
  } else if (v < min) {
    min = v;
  }
}

}  // namespace

MonoPeak peakMono(const std::int16_t* samples, std::uint32_t n) {
  MonoPeak p;
  if (n < 2) return p;
  std::uint32_t i = 0;
  for (; i + 1 < n; i += 2) {
    take(samples[i], p.max, p.min);
    take(samples[i + 1], p.max, p.min);
  }
  if (i < n) take(samples[i], p.max, p.min);
  return p;
}

StereoPeak peakStereo(const std::int16_t* frames, std::uint32_t n) {
  StereoPeak p;
  for (std::uint32_t i = 0; i < n; ++i) {
    take(frames[2 * static_cast<std::size_t>(i)], p.max1, p.min1);
    take(frames[2 * static_cast<std::size_t>(i) + 1], p.max2, p.min2);
  }
  return p;
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
