// The transport modes. `mode` is also the track's guard: while it is Busy a
// worker (or the tuning) owns the track, while playing or paused the host's
// delivery thread reads it.
#pragma once

#include <cstdint>

namespace state {

enum class TransportMode : std::int32_t {
  Idle = 0,
  Playing = 1,
  Looping = 2,
  Recording = 3,
  PlayPaused = 4,
  LoopPaused = 5,
  RecordPaused = 6,
  Busy = 7,
};

// Playing to RecordPaused: the host stream is started (running or paused).
inline bool isStreaming(TransportMode m) {
  return m >= TransportMode::Playing && m <= TransportMode::RecordPaused;
}

}  // namespace state
