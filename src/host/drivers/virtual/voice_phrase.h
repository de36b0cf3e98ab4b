// The virtual device's default input: a short sung phrase, a vowel on a few
// notes with vibrato, each note a little sharp or flat, so that a recording
// made without a microphone has something to correct.
#pragma once

#include <cstdint>
#include <vector>

namespace virtualdevice {

// One pass of the phrase followed by a breath of silence, at sampleRate,
// mono 16-bit; it is played in a loop.
std::vector<std::int16_t> makeVoicePhrase(std::int32_t sampleRate);

}  // namespace virtualdevice
