#include "state/track_sizing.h"

#include <new>

namespace state {

namespace {

std::uint32_t groupSizeFor(std::uint64_t q) {
  if (q <= 64) return 16;
  if (q <= 256) return 32;
  if (q <= 1024) return 64;
  if (q <= 4096) return 128;
  if (q <= 16384) return 256;
  if (q <= 65536) return 512;
  return 1024;
}

}  // namespace

PeakArray sizePeakArray(std::uint32_t frameCount, std::uint32_t channels, int initialPaneWidth,
                        bool allocate) {
  PeakArray result;
  const std::uint64_t w0 = initialPaneWidth > 0 ? static_cast<std::uint64_t>(initialPaneWidth) : 1;
  std::uint64_t p = 1;
  std::uint64_t m = frameCount;
  while (m > w0) {
    m /= 2;
    p *= 2;
  }
  const std::uint64_t q = p / 2;
  if (q < 64) return result;
  const std::uint32_t group = groupSizeFor(q);
  if (!allocate) {
    result.framesPerPeak = group;
    return result;
  }
  const std::uint32_t groups =
      static_cast<std::uint32_t>((std::uint64_t{frameCount} + group - 1) / group);
  const std::size_t values = static_cast<std::size_t>(groups) * channels * 2;
  result.peaks.reset(new (std::nothrow) std::int16_t[values]);
  if (!result.peaks) return result;
  result.framesPerPeak = group;
  result.groupCount = groups;
  return result;
}

std::uint32_t fitZoom(std::uint32_t frameCount, int paneWidth) {
  const std::uint64_t w = paneWidth > 0 ? static_cast<std::uint64_t>(paneWidth) : 1;
  std::uint32_t f = 1;
  std::uint64_t m = frameCount;
  while (m > w) {
    m /= 2;
    f *= 2;
  }
  return f;
}

}  // namespace state
