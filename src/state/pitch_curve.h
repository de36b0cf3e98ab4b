// The pitch curve of the track: one analysis point per hop for each channel,
// the curve the last tuning's region had before it was tuned (kept so the view
// can show what moved and undo can put it back), the notes that tuning
// allowed, and which hops still wait for the analysis worker.
//
// The track's owner writes it (the analysis worker while mode is Busy, the
// tuning and undo on the UI thread); the renderer reads it from whichever
// thread draws, the follow step included. `lock` guards every field but
// `shown` and is only ever held to read or swap the data, never while waiting
// for anything else.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace state {

// What one analysis frame found: the pitch in semitones above A4 (negative
// below) and the clarity; `voiced` says the pitch means anything.
struct PitchPoint {
  float semitones = 0.0f;
  float clarity = 0.0f;
  bool voiced = false;
};

// Hops [first, end) of one channel's curve.
struct HopRange {
  std::uint32_t first = 0;
  std::uint32_t end = 0;
  bool empty() const { return first >= end; }
  // The smallest range covering both (an empty one adds nothing).
  HopRange joined(HopRange other) const;
};

// A stretch of a curve: `points` from hop `firstHop` on.
struct PitchSegment {
  std::uint32_t firstHop = 0;
  std::vector<PitchPoint> points;
  bool empty() const { return points.empty(); }
};

inline constexpr std::uint32_t PITCH_HOP_FRAMES = 1024;  // the tuning engine's hop
inline constexpr int PITCH_NOTE_CLASSES = 12;            // index 0 is A, 1 Bb ... 11 Ab

struct PitchCurves {
  mutable std::mutex lock;
  // Drawn over the panes; set on the UI thread, read by every renderer.
  std::atomic<bool> shown{false};

  // The track the curves describe (0 frames: none analysed yet). Point k of a
  // channel is the frame centred on track frame k * PITCH_HOP_FRAMES.
  std::uint32_t frames = 0;
  std::uint32_t channels = 0;
  std::vector<PitchPoint> current[2];
  HopRange stale[2];       // hops whose points are out of date
  PitchSegment before[2];  // the last tuned region's curve before the tuning
  // The pitch classes the last tuning moved voiced frames to; none after undo.
  std::array<bool, PITCH_NOTE_CLASSES> allowed{};
  // Counts every change a running analysis must not overwrite (a new track, a
  // tuning, an undo); the worker publishes only if it is unchanged.
  std::uint64_t generation = 0;

  // Hops a track of `frameCount` frames has: one for every hop start in it.
  static std::uint32_t hopCount(std::uint32_t frameCount);
  // The hops whose frames reach into track frames [first, end): the analysis
  // frame of hop k spans frameSize frames centred on k * PITCH_HOP_FRAMES.
  static HopRange hopsTouching(std::uint64_t first, std::uint64_t end, std::uint32_t frameSize,
                               std::uint32_t frameCount);

  // Under lock: forgets everything (the track is gone or replaced).
  void clear();
  // Under lock: true when the curves do not match a track of that size or
  // some hops are stale.
  bool needsAnalysis(std::uint32_t frameCount, std::uint32_t trackChannels) const;
};

}  // namespace state
