#include "state/undo_record.h"

#include <cstddef>

namespace state {

void UndoRecord::discard() {
  *this = UndoRecord{};
}

bool UndoRecord::restoreInto(std::int16_t* track, std::uint32_t trackFrames) const {
  if (!samples || track == nullptr) return false;
  // The record is discarded before every operation that replaces the track, so
  // this only guards against a record that never matched it.
  if (static_cast<std::uint64_t>(startFrame) + frameCount > trackFrames) return false;
  if (stereo) {
    if (channel != 1 && channel != 2) return false;
    std::int16_t* dst = track + 2 * static_cast<std::size_t>(startFrame) + (channel - 1);
    for (std::uint32_t i = 0; i < frameCount; ++i)
      dst[2 * static_cast<std::size_t>(i)] = samples[i];
  } else {
    std::int16_t* dst = track + startFrame;
    for (std::uint32_t i = 0; i < frameCount; ++i) dst[i] = samples[i];
  }
  return true;
}

}  // namespace state
