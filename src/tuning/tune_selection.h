// The tuning run: feeds one channel of a region through a TuningEngine in
// blocks of 1024 samples and writes the corrected samples back in place. The
// caller keeps the returned untuned copy so the tuning can be undone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "tuning/track_samples.h"
#include "tuning/tuning_engine.h"

namespace tuning {

enum class TuneStatus {
  Tuned,
  OutOfMemory,   // the work array or the engine could not be allocated
  EngineFailed,  // the engine was allocated but its construction failed
};

// The region's samples of the tuned channel before the run: frameCount of
// them, from startFrame.
struct TuneUndo {
  std::unique_ptr<std::int16_t[]> samples;
  std::int64_t startFrame = 0;
  std::int64_t frameCount = 0;
  bool stereo = false;
  int channel = 0;  // 0 on a mono track, else 1 or 2
};

struct TuneResult {
  TuneStatus status = TuneStatus::Tuned;
  TuneUndo undo;  // empty unless Tuned
};

// Called after each block with the blocks done and the total.
using TuneProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// Tunes frames [selStart, selEnd) of the region's channel with `params`. The
// engine is fed the track from TUNING_FRAME_SIZE frames before the region to
// TUNING_LATENCY frames after it (zeros beyond the track), and its output is
// read TUNING_LATENCY frames late, so the tuned audio keeps its timing and the
// region's edges are tuned from the audio around them. Each edge is
// cross-faded with the untouched track over TUNING_EDGE_FADE frames. Only the
// region is written; on failure the track is unchanged.
TuneResult TuneSelection(const EngineParams& params, const TrackSamples& track, TrackRegion region,
                         const TuneProgress& progress = {});

// The text shown for a failed run (the readout's texts), or "" when tuned.
const char* tuneStatusText(TuneStatus status);

}  // namespace tuning
