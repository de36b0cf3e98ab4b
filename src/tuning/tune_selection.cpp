#include "tuning/tune_selection.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tuning {

namespace {

// The engine hears this many frames of the track before the region, so that by
// the region's start its ring holds real audio and its analysis has settled.
constexpr std::int64_t LEAD = TUNING_FRAME_SIZE;

// The share of the tuned sample at offset j of a region of len frames: a
// raised cosine from the untouched track into the tuned audio over the first
// `fade` frames, and back over the last ones.
double tunedShare(std::int64_t j, std::int64_t len, std::int64_t fade) {
  const std::int64_t fromEdge = std::min(j, len - 1 - j);
  if (fromEdge >= fade) return 1.0;
  return 0.5 - 0.5 * std::cos(PI_SINGLE * (static_cast<double>(fromEdge) + 0.5) / fade);
}

}  // namespace

TuneResult TuneSelection(const EngineParams& params, const TrackSamples& track, TrackRegion region,
                         const TuneProgress& progress) {
  TuneResult result;
  region = clampRegion(track, region);
  const std::int64_t len = region.selEnd - region.selStart;
  // Fed from LEAD frames before the region until the region's last frame has
  // come out, which takes the frames after it (or zeros past the track's end).
  const std::int64_t fed = LEAD + len + TUNING_LATENCY;
  const std::int64_t blocks = (fed + TUNING_BLOCK - 1) / TUNING_BLOCK;

  std::unique_ptr<std::int16_t[]> untuned(new (std::nothrow)
                                              std::int16_t[std::max<std::int64_t>(len, 1)]);
  std::unique_ptr<std::int16_t[]> input(new (std::nothrow) std::int16_t[TUNING_BLOCK]);
  std::unique_ptr<std::int16_t[]> output(new (std::nothrow) std::int16_t[TUNING_BLOCK]);
  if (!untuned || !input || !output) {
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
  std::int16_t* channel = track.samples + (region.channel - 1);
  std::int16_t* destination = channel + region.selStart * stride;
  for (std::int64_t i = 0; i < len; ++i) untuned[i] = destination[i * stride];

  // The region is read from the untouched copy, since the track's own samples
  // are overwritten as the tuned ones come out.
  auto sampleAt = [&](std::int64_t frame) -> std::int16_t {
    if (frame >= region.selStart && frame < region.selEnd) return untuned[frame - region.selStart];
    if (frame < 0 || frame >= track.frameCount) return 0;
    return channel[frame * stride];
  };
  // A region shorter than two fades is faded in and out over its halves.
  const std::int64_t fade = std::min<std::int64_t>(TUNING_EDGE_FADE, (len + 1) / 2);
  const std::int64_t firstFed = region.selStart - LEAD;
  for (std::int64_t b = 0; b < blocks; ++b) {
    const std::int64_t blockStart = firstFed + b * TUNING_BLOCK;
    for (int i = 0; i < TUNING_BLOCK; ++i) input[i] = sampleAt(blockStart + i);
    ProcessBlock(*engine, input.get(), output.get());
    // Output sample i carries the input frame TUNING_LATENCY samples earlier.
    for (int i = 0; i < TUNING_BLOCK; ++i) {
      const std::int64_t j = blockStart + i - TUNING_LATENCY - region.selStart;
      if (j < 0 || j >= len) continue;
      const double share = tunedShare(j, len, fade);
      destination[j * stride] = share >= 1.0 ? output[i]
                                             : static_cast<std::int16_t>(std::lround(
                                                   share * output[i] + (1.0 - share) * untuned[j]));
    }
    if (progress) progress(b + 1, blocks);
  }

  result.undo.samples = std::move(untuned);
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
