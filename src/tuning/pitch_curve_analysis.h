// The pitch curve of a channel: the tuning engine's own analysis run at its
// frame size and hop over a stretch of the track, one estimate per hop, for
// the curve drawn over the waveform and for `cantora-cli pitch`.
#pragma once

#include <cstdint>
#include <vector>

#include "tuning/track_samples.h"
#include "tuning/tuning_constants.h"

namespace tuning {

// What the analysis found at one hop. `semitones` (above A4, negative below)
// means something only when `voiced` (clarity at or above the engine's
// voicing threshold).
struct PitchEstimate {
  float semitones = 0.0f;
  float clarity = 0.0f;
  bool voiced = false;
};

// Frames between estimates, and the frame each is centred on.
inline constexpr int PITCH_CURVE_HOP = TUNING_BLOCK;
inline constexpr int PITCH_CURVE_FRAME = TUNING_FRAME_SIZE;

// Analyses hops [firstHop, endHop) of `channel` (1 or 2): hop k's frame is the
// PITCH_CURVE_FRAME frames centred on track frame k * PITCH_CURVE_HOP, with
// silence beyond the track's ends. Fills `out` with one estimate per hop.
// False, with `out` empty, when the engine or the result cannot be allocated.
bool analysePitchCurve(const TrackSamples& track, int channel, std::int64_t firstHop,
                       std::int64_t endHop, int sampleRate, std::vector<PitchEstimate>& out);

// The frequency in Hz of a pitch `semitones` above A4.
double semitonesToHz(double semitones);

}  // namespace tuning
