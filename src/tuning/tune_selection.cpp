#include "tuning/tune_selection.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tuning {

TuneResult TuneSelection(const EngineParams& params, const TrackSamples& track, TrackRegion region,
                         const TuneProgress& progress) {
  TuneResult result;
  region = clampRegion(track, region);
  const std::int64_t len = region.selEnd - region.selStart;
  // The extra frame of zeros flushes the engine, so the region's last samples
  // come out too.
  const std::int64_t blocks = (len + TUNING_FRAME_SIZE + TUNING_BLOCK - 1) / TUNING_BLOCK;
  const std::int64_t workLength = blocks * TUNING_BLOCK;

  std::unique_ptr<std::int16_t[]> work(new (std::nothrow) std::int16_t[workLength]);
  std::unique_ptr<std::int16_t[]> output(new (std::nothrow) std::int16_t[TUNING_BLOCK]);
  if (!work || !output) {
    result.status = TuneStatus::OutOfMemory;
    return result;
  }
  std::unique_ptr<TuningEngine> engine(new (std::nothrow) TuningEngine(params, TUNING_FRAME_SIZE));
  if (!engine) {
    result.status = TuneStatus::OutOfMemory;
    return result;
  }
  if (!engine->ok) {
    result.status = TuneStatus::EngineFailed;
    return result;
  }

  const bool stereo = track.channels == 2;
  const int stride = track.channels;
  std::int16_t* destination = track.samples + region.selStart * stride + (region.channel - 1);
  for (std::int64_t i = 0; i < len; ++i) work[i] = destination[i * stride];
  std::fill(work.get() + len, work.get() + workLength, std::int16_t{0});

  // Until the first non-zero output sample the destination stays put, so the
  // engine's latency and any silence at the region's start are dropped.
  const std::int16_t* end = destination + len * stride;
  bool started = false;
  for (std::int64_t b = 0; b < blocks && destination != end; ++b) {
    ProcessBlock(*engine, work.get() + b * TUNING_BLOCK, output.get());
    for (int i = 0; i < TUNING_BLOCK; ++i) {
      const std::int16_t v = output[i];
      *destination = v;
      if (v != 0) started = true;
      if (started) {
        destination += stride;
        if (destination == end) break;
      }
    }
    if (progress) progress(b + 1, blocks);
  }

  result.undo.samples = std::move(work);
  result.undo.startFrame = region.selStart;
  result.undo.frameCount = len;
  result.undo.stereo = stereo;
  result.undo.channel = stereo ? region.channel : 0;
  return result;
}

const char* tuneStatusText(TuneStatus status) {
  switch (status) {
    case TuneStatus::Tuned:
      return "";
    case TuneStatus::OutOfMemory:
      return TEXT_OUT_OF_MEMORY;
    case TuneStatus::EngineFailed:
      return TEXT_ENGINE_FAILED;
  }
  return "";
}

}  // namespace tuning
