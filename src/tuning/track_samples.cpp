#include "tuning/track_samples.h"

#include <algorithm>

namespace tuning {

TrackRegion clampRegion(const TrackSamples& track, TrackRegion region) {
  region.selStart = std::clamp<std::int64_t>(region.selStart, 0, track.frameCount);
  region.selEnd = std::clamp<std::int64_t>(region.selEnd, region.selStart, track.frameCount);
  if (region.channel < 1 || region.channel > track.channels) region.channel = 1;
  return region;
}

}  // namespace tuning
