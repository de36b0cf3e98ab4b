// A track in memory as the tuning code sees it: interleaved signed 16-bit
// frames of one or two channels, and the region of one channel to work on.
#pragma once

#include <cstdint>

namespace tuning {

struct TrackSamples {
  std::int16_t* samples = nullptr;  // frameCount * channels, interleaved
  int channels = 1;                 // 1 or 2
  std::int64_t frameCount = 0;
};

// Frames [selStart, selEnd) of channel 1 (the first, or the only one) or 2.
struct TrackRegion {
  std::int64_t selStart = 0;
  std::int64_t selEnd = 0;
  int channel = 1;
};

// The region clipped to the track, with a channel the track has.
TrackRegion clampRegion(const TrackSamples& track, TrackRegion region);

}  // namespace tuning
