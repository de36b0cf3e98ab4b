#include "demo_phrase.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui {

namespace {

constexpr double SAMPLE_RATE = 44100.0;
// A3, C#4, E4: an A major arpeggio, each note sung for NOTE_SECONDS.
constexpr double NOTE_HZ[] = {220.0, 277.18, 329.63};
constexpr double NOTE_SECONDS = 1.2;
constexpr double GAP_SECONDS = 0.15;
constexpr double ATTACK_SECONDS = 0.08;
constexpr double RELEASE_SECONDS = 0.15;
constexpr double VIBRATO_HZ = 5.5;
constexpr double VIBRATO_SEMITONES = 0.4;
constexpr double VIBRATO_ONSET_SECONDS = 0.3;
constexpr int HARMONICS = 8;
constexpr double PEAK_LEVEL = 0.8 * 32767.0;  // the loudest sample
// The second channel: the voice a little later and softer, as a second
// microphone further away would hear it.
constexpr double SECOND_DELAY_SECONDS = 0.012;
constexpr double SECOND_GAIN = 0.7;

// One sample of the phrase at time t (seconds), before it is scaled to PEAK_LEVEL.
double voice(double t, double phase[HARMONICS]) {
  const double noteLength = NOTE_SECONDS + GAP_SECONDS;
  const int note = static_cast<int>(t / noteLength);
  if (t < 0.0 || note >= 3) return 0.0;
  const double local = t - note * noteLength;
  if (local >= NOTE_SECONDS) return 0.0;
  double envelope = 1.0;
  if (local < ATTACK_SECONDS) envelope = local / ATTACK_SECONDS;
  if (NOTE_SECONDS - local < RELEASE_SECONDS) envelope = (NOTE_SECONDS - local) / RELEASE_SECONDS;
  // The vibrato sets in after the onset, as a singer's does.
  const double depth = std::min(1.0, std::max(0.0, (local - VIBRATO_ONSET_SECONDS) / 0.3));
  const double bend = VIBRATO_SEMITONES * depth * std::sin(2 * std::numbers::pi * VIBRATO_HZ * t);
  const double f0 =
      NOTE_HZ[note] * std::pow(2.0, (bend + DEMO_PHRASE_CENTS_OFF[note] / 100.0) / 12.0);
  double sum = 0.0;
  for (int k = 1; k <= HARMONICS; ++k) {
    phase[k - 1] += 2 * std::numbers::pi * f0 * k / SAMPLE_RATE;
    // A falling spectrum with a bump near 700 Hz, the first formant of "ah".
    const double hz = f0 * k;
    const double formant = 1.0 + 1.5 * std::exp(-std::pow((hz - 700.0) / 250.0, 2));
    sum += formant / k * std::sin(phase[k - 1]);
  }
  // The breath swells through the note and pulses a little with the vibrato.
  const double swell = 0.75 + 0.25 * std::sin(std::numbers::pi * local / NOTE_SECONDS);
  const double tremolo = 1.0 + 0.12 * depth * std::sin(2 * std::numbers::pi * VIBRATO_HZ * t);
  return envelope * swell * tremolo * sum;
}

}  // namespace

std::uint32_t demoNoteStart(int index) {
  return static_cast<std::uint32_t>(index * (NOTE_SECONDS + GAP_SECONDS) * SAMPLE_RATE);
}

std::uint32_t demoNoteEnd(int index) {
  return demoNoteStart(index) + static_cast<std::uint32_t>(NOTE_SECONDS * SAMPLE_RATE);
}

std::vector<std::int16_t> makeDemoPhrase() {
  const double seconds = 3 * (NOTE_SECONDS + GAP_SECONDS) + 0.2;
  const auto frames = static_cast<std::uint32_t>(seconds * SAMPLE_RATE);
  const auto delay = static_cast<std::uint32_t>(SECOND_DELAY_SECONDS * SAMPLE_RATE);
  std::vector<double> voiced(std::size_t{frames} * 2);
  double phaseA[HARMONICS] = {};
  double phaseB[HARMONICS] = {};
  double loudest = 0.0;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double a = voice(i / SAMPLE_RATE, phaseA);
    const double b = i >= delay ? SECOND_GAIN * voice((i - delay) / SAMPLE_RATE, phaseB) : 0.0;
    voiced[2 * i] = a;
    voiced[2 * i + 1] = b;
    loudest = std::max({loudest, std::abs(a), std::abs(b)});
  }
  const double gain = loudest > 0.0 ? PEAK_LEVEL / loudest : 0.0;
  std::vector<std::int16_t> samples(voiced.size());
  for (std::size_t i = 0; i < voiced.size(); ++i)
    samples[i] = static_cast<std::int16_t>(std::lround(voiced[i] * gain));
  return samples;
}

}  // namespace ui
