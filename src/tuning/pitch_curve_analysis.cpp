#include "tuning/pitch_curve_analysis.h"

#include <cmath>
#include <memory>
#include <new>

#include "tuning/tuning_engine.h"

namespace tuning {

namespace {

// The engine hears the samples as the tuning run feeds them.
constexpr float INPUT_SCALE = 1.0f / 32768.0f;

}  // namespace

bool analysePitchCurve(const TrackSamples& track, int channel, std::int64_t firstHop,
                       std::int64_t endHop, int sampleRate, std::vector<PitchEstimate>& out) {
  out.clear();
  if (endHop <= firstHop) return true;
  if (channel < 1 || channel > track.channels) channel = 1;
  EngineParams params;
  params.sampleRate = sampleRate;
  std::unique_ptr<TuningEngine> engine(new (std::nothrow) TuningEngine(params, PITCH_CURVE_FRAME));
  if (!engine || !engine->ok) return false;
  try {
    out.resize(static_cast<std::size_t>(endHop - firstHop));
  } catch (const std::bad_alloc&) {
    return false;
  }

  const std::int16_t* source = track.samples + (channel - 1);
  const int stride = track.channels;
  auto sampleAt = [&](std::int64_t frame) -> float {
    if (frame < 0 || frame >= track.frameCount) return 0.0f;
    return source[frame * stride] * INPUT_SCALE;
  };
  const int n = engine->frameSize;
  float* ring = engine->inputRing.get();
  // The ring always holds the frame of the hop about to be analysed, oldest
  // sample at writePos: filled whole once, then one hop of new samples a time.
  std::int64_t next = firstHop * PITCH_CURVE_HOP - n / 2;
  for (int i = 0; i < n; ++i) ring[i] = sampleAt(next++);
  engine->writePos = 0;
  for (std::int64_t k = firstHop; k < endHop; ++k) {
    if (k > firstHop) {
      for (int i = 0; i < PITCH_CURVE_HOP; ++i) {
        ring[engine->writePos] = sampleAt(next++);
        engine->writePos = (engine->writePos + 1) & (n - 1);
      }
    }
    AnalyseFrame(*engine);
    PitchEstimate& e = out[static_cast<std::size_t>(k - firstHop)];
    e.clarity = engine->clarity;
    e.voiced = engine->clarity >= engine->voicingThreshold;
    e.semitones = e.voiced ? engine->detectedSemitones : 0.0f;
  }
  return true;
}

double semitonesToHz(double semitones) {
  return REFERENCE_FREQUENCY * std::pow(2.0, semitones / 12.0);
}

}  // namespace tuning
