#include "tuning/pitch_readout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "tuning/note_names.h"
#include "tuning/tuning_engine.h"

namespace tuning {

namespace {

ReadoutText textOf(std::string_view s) {
  ReadoutText text;
  const std::size_t n = std::min(s.size(), text.chars.size() - 1);
  std::memcpy(text.chars.data(), s.data(), n);
  return text;
}

}  // namespace

int readoutFrameSize(std::int64_t frames) {
  int n = READOUT_MIN_FRAME_SIZE;
  while (n < frames) n *= 2;
  return n;
}

ReadoutText readoutForSemitones(float s) {
  if (!std::isfinite(s) || std::fabs(s) > 1000.0f) return textOf(TEXT_NO_PITCH);
  const float nearest = s >= 0.0f ? std::floor(s + 0.5f) : std::ceil(s - 0.5f);
  const int cents = static_cast<int>((static_cast<double>(s) - nearest) * 100.0);
  const int index = static_cast<int>(nearest) + NOTE_NAME_A4;
  if (index < 0 || index >= NOTE_NAME_COUNT) return textOf(TEXT_NO_PITCH);
  const std::string_view name = noteName(index);
  const int magnitude = std::abs(cents);
  ReadoutText text;
  std::snprintf(text.chars.data(), text.chars.size(), "%.*s %c%d %s", static_cast<int>(name.size()),
                name.data(), cents >= 0 ? '+' : '-', magnitude,
                magnitude == 1 ? "cent " : "cents ");
  return text;
}

ReadoutText PitchReadout(const TrackSamples& track, TrackRegion region, int sampleRate) {
  region = clampRegion(track, region);
  const std::int64_t count =
      std::min<std::int64_t>(region.selEnd - region.selStart, READOUT_MAX_FRAMES);
  const int n = readoutFrameSize(count);

  EngineParams params;
  params.sampleRate = sampleRate;
  params.grace = READOUT_GRACE;
  std::unique_ptr<TuningEngine> engine(new (std::nothrow) TuningEngine(params, n));
  if (!engine) return textOf(TEXT_OUT_OF_MEMORY);
  if (!engine->ok) return textOf(TEXT_ENGINE_FAILED);

  const int stride = track.channels;
  const std::int16_t* source = track.samples + region.selStart * stride + (region.channel - 1);
  int largest = 0;
  int smallest = 0;
  if (count >= 2) {
    for (std::int64_t i = 0; i < count; ++i) {
      largest = std::max<int>(largest, source[i * stride]);
      smallest = std::min<int>(smallest, source[i * stride]);
    }
  }
  const int peak = std::max(largest, -smallest);
  if (peak == 0) return textOf(TEXT_NO_PITCH);

  // The selection's first sample opens the frame; a short selection is
  // repeated until the frame is full.
  float* ring = engine->inputRing.get();
  for (std::int64_t i = 0; i < count; ++i)
    ring[i] = static_cast<float>(static_cast<double>(source[i * stride]) / peak);
  for (std::int64_t i = count; i < n; ++i) ring[i] = ring[i - count];
  engine->writePos = 0;

  AnalyseFrame(*engine);
  if (engine->clarity < engine->voicingThreshold) return textOf(TEXT_NO_PITCH);
  return readoutForSemitones(engine->detectedSemitones);
}

}  // namespace tuning
