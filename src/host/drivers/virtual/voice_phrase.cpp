#include "voice_phrase.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace virtualdevice {

namespace {

struct Note {
  double midi;   // the note as written
  double cents;  // how far the singer misses it
  double seconds;
};

// A falling and rising line around middle C, each note off by 15 to 40 cents.
constexpr Note PHRASE[] = {
    {57, +30, 0.55}, {60, -25, 0.55}, {62, +40, 0.45}, {64, -20, 0.7},
    {62, +35, 0.45}, {60, -30, 0.5},  {59, +20, 0.4},  {57, -35, 0.9},
};
constexpr double BREATH_SECONDS = 0.6;
constexpr double GLIDE_SECONDS = 0.06;
constexpr double VIBRATO_HZ = 5.5;
constexpr double VIBRATO_CENTS = 18;
constexpr double PEAK = 0.3 * 32767;
constexpr int HARMONICS = 10;

}  // namespace

std::vector<std::int16_t> makeVoicePhrase(std::int32_t sampleRate) {
  const double rate = sampleRate;
  double total = BREATH_SECONDS;
  for (const Note& note : PHRASE) total += note.seconds;
  std::vector<std::int16_t> samples(static_cast<std::size_t>(total * rate), 0);

  // harmonic weights of an "ah": strong low partials, a bump near 700 Hz
  double phase = 0;
  std::size_t at = 0;
  double previousMidi = PHRASE[0].midi + PHRASE[0].cents / 100;
  for (const Note& note : PHRASE) {
    const double target = note.midi + note.cents / 100;
    const auto length = static_cast<std::size_t>(note.seconds * rate);
    for (std::size_t i = 0; i < length && at < samples.size(); ++i, ++at) {
      const double t = static_cast<double>(i) / rate;
      const double glide = std::min(1.0, t / GLIDE_SECONDS);
      const double vibratoDepth = std::min(1.0, std::max(0.0, (t - 0.15) / 0.2));
      const double midi =
          previousMidi + (target - previousMidi) * glide +
          vibratoDepth * VIBRATO_CENTS / 100 * std::sin(2 * std::numbers::pi * VIBRATO_HZ * t);
      const double frequency = 440.0 * std::pow(2.0, (midi - 69) / 12);
      phase += 2 * std::numbers::pi * frequency / rate;
      if (phase > 2 * std::numbers::pi) phase -= 2 * std::numbers::pi;
      double value = 0;
      for (int k = 1; k <= HARMONICS; ++k) {
        const double partial = frequency * k;
        if (partial > rate / 2) break;
        const double formant = 1.0 + 1.5 * std::exp(-std::pow((partial - 700) / 250, 2));
        value += formant / k * std::sin(k * phase);
      }
      // soft onset and release of each note, a short gap between notes
      const double remaining = note.seconds - t;
      const double envelope = std::min({1.0, t / 0.04, std::max(0.0, (remaining - 0.03) / 0.05)});
      const double scaled = std::clamp(PEAK * 0.5 * envelope * value, -32768.0, 32767.0);
      samples[at] = static_cast<std::int16_t>(std::lround(scaled));
    }
    previousMidi = target;
  }
  return samples;
}

}  // namespace virtualdevice
