// The note readout: one analysis of the start of the selection, turned into
// the text shown on the waveform ("A4 +12 cents ", "C#4/Db4 -1 cent ", " ??? ").
#pragma once

#include <array>
#include <string_view>

#include "tuning/track_samples.h"
#include "tuning/tuning_constants.h"

namespace tuning {

struct ReadoutText {
  std::array<char, READOUT_TEXT_SIZE> chars{};  // NUL-terminated
  std::string_view view() const { return chars.data(); }
};

// Analyses up to the first READOUT_MAX_FRAMES frames of the region's channel
// with the smallest power-of-two frame (1024..65536) that holds them and
// returns the readout. `sampleRate` is the rate the samples run at (a
// recording keeps its driver's).
ReadoutText PitchReadout(const TrackSamples& track, TrackRegion region,
                         int sampleRate = SAMPLE_RATE);

// The text for a voiced frame detected at `semitones` above A4: the nearest
// note (halves rounded away from zero) and the cents from it, truncated.
ReadoutText readoutForSemitones(float semitones);

// The frame size the readout uses for a selection of `frames` frames.
int readoutFrameSize(std::int64_t frames);

}  // namespace tuning
