// The untuned samples of the last tuning, kept so "Undo Tuning" can put them
// back. Only the tuned channel is saved; undo on a stereo track leaves the
// other channel as it is now.
#pragma once

#include <cstdint>
#include <memory>

namespace state {

struct UndoRecord {
  std::unique_ptr<std::int16_t[]> samples;  // one channel, consecutive
  std::uint32_t startFrame = 0;
  std::uint32_t frameCount = 0;
  std::uint32_t channel = 0;  // stereo: 1 first, 2 second channel; 0 for mono
  bool stereo = false;

  bool holdsSamples() const { return samples != nullptr; }
  // Frees the samples and zeroes every field.
  void discard();
  // Writes the saved samples back into `track` (interleaved when stereo), which
  // holds `trackFrames` frames. Returns false, writing nothing, when the record
  // is empty or would not fit the track.
  bool restoreInto(std::int16_t* track, std::uint32_t trackFrames) const;
};

}  // namespace state
