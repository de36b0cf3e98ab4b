#include "state/pitch_curve.h"

#include <algorithm>

namespace state {

HopRange HopRange::joined(HopRange other) const {
  if (other.empty()) return *this;
  if (empty()) return other;
  return {std::min(first, other.first), std::max(end, other.end)};
}

std::uint32_t PitchCurves::hopCount(std::uint32_t frameCount) {
  return static_cast<std::uint32_t>((std::uint64_t{frameCount} + PITCH_HOP_FRAMES - 1) /
                                    PITCH_HOP_FRAMES);
}

HopRange PitchCurves::hopsTouching(std::uint64_t first, std::uint64_t end, std::uint32_t frameSize,
                                   std::uint32_t frameCount) {
  const std::uint64_t half = frameSize / 2;
  const std::uint64_t hops = hopCount(frameCount);
  if (end <= first) return {};
  // Hop k covers [k*hop - half, k*hop + half).
  const std::uint64_t low =
      first + 1 > half ? (first + 1 - half + PITCH_HOP_FRAMES - 1) / PITCH_HOP_FRAMES : 0;
  const std::uint64_t high = std::min<std::uint64_t>((end - 1 + half) / PITCH_HOP_FRAMES + 1, hops);
  if (low >= high) return {};
  return {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(high)};
}

void PitchCurves::clear() {
  frames = 0;
  channels = 0;
  for (int c = 0; c < 2; ++c) {
    current[c].clear();
    current[c].shrink_to_fit();
    stale[c] = {};
    before[c] = {};
  }
  allowed = {};
  ++generation;
}

bool PitchCurves::needsAnalysis(std::uint32_t frameCount, std::uint32_t trackChannels) const {
  if (frameCount == 0) return false;
  if (frames != frameCount || channels != trackChannels) return true;
  for (std::uint32_t c = 0; c < trackChannels && c < 2; ++c)
    if (!stale[c].empty()) return true;
  return false;
}

}  // namespace state
