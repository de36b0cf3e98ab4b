// The demonstration's example track: a short sung-like phrase (A3, C#4, E4,
// an A major arpeggio) synthesised with vibrato and a vowel's formant, each
// note sung a little off pitch, on two channels as two microphones would
// hear it. Plain C++: the build writes it to a WAV file before the demo runs.
#pragma once

#include <cstdint>
#include <vector>

namespace ui {

inline constexpr std::uint32_t DEMO_PHRASE_RATE = 44100;
inline constexpr int DEMO_PHRASE_NOTES = 3;
// How far each note is sung from its pitch, in cents.
inline constexpr double DEMO_PHRASE_CENTS_OFF[DEMO_PHRASE_NOTES] = {30.0, -35.0, 40.0};

// The phrase's frames, interleaved stereo.
std::vector<std::int16_t> makeDemoPhrase();

// Where note `index` (0..2) is sung, in frames from the start (begin, end).
std::uint32_t demoNoteStart(int index);
std::uint32_t demoNoteEnd(int index);

}  // namespace ui
