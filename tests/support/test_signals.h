// Test signals at 44100 Hz: steady sines, white noise, and a voice-like signal
// (harmonics under a vowel's formants, notes sung off pitch with vibrato and
// glides, breath noise between phrases) with labels saying where each note is
// steady.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace testsignals {

inline constexpr double RATE = 44100.0;

inline std::int16_t toSample(double v) {
  return static_cast<std::int16_t>(std::lround(std::clamp(v, -32767.0, 32767.0)));
}

// `frames` samples of a sine at `hz` with `amplitude` in sample units.
inline std::vector<std::int16_t> sine(double hz, std::int64_t frames, double amplitude = 16000.0,
                                      double phase = 0.0) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
  for (std::int64_t i = 0; i < frames; ++i)
    out[i] = toSample(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / RATE + phase));
  return out;
}

// Uniform white noise of the given peak amplitude.
inline std::vector<std::int16_t> whiteNoise(std::int64_t frames, double amplitude,
                                            unsigned seed = 7) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
  for (auto& s : out) s = toSample(amplitude * uniform(rng));
  return out;
}

// Frequency of a MIDI note number (A4 = 69 = 440 Hz).
inline double midiHz(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

struct Span {
  std::int64_t begin = 0;
  std::int64_t end = 0;  // exclusive
};

struct VoiceNote {
  Span steady;       // after the glide into the note
  int midi = 0;      // the note meant
  double cents = 0;  // how far off it is sung, before vibrato
};

struct VoiceSignal {
  std::vector<std::int16_t> samples;
  std::vector<VoiceNote> notes;
  std::vector<Span> breaths;  // breath noise between phrases
};

// A phrase is sung legato: each note glides from the last one.
struct VoicePhraseNote {
  int midi;
  double cents;
  double seconds;
};

struct VoiceOptions {
  double vibratoCents = 30.0;
  double vibratoHz = 5.5;
  double glideSeconds = 0.06;
  double breathSeconds = 0.35;
  double breathAmplitude = 500.0;  // peak, sample units
  double peak = 14000.0;           // peak of the sung notes
};

// Amplitude of a harmonic at `hz` under an open vowel: three formants over a
// gentle tilt.
inline double vowelGain(double hz) {
  struct Formant {
    double centre, width, gain;
  };
  constexpr Formant formants[] = {{730.0, 90.0, 1.0}, {1090.0, 110.0, 0.6}, {2440.0, 170.0, 0.25}};
  double g = 0.08;
  for (const Formant& f : formants) {
    const double x = (hz - f.centre) / f.width;
    g += f.gain / (1.0 + x * x);
  }
  return g;
}

inline VoiceSignal voice(const std::vector<std::vector<VoicePhraseNote>>& phrases,
                         const VoiceOptions& options = {}, unsigned seed = 11) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  VoiceSignal signal;
  std::vector<double> raw;
  double phase = 0.0;
  double vibratoPhase = 0.0;
  auto breath = [&](double seconds) {
    Span span{static_cast<std::int64_t>(raw.size()), 0};
    const auto frames = static_cast<std::int64_t>(seconds * RATE);
    double lowPassed = 0.0;
    for (std::int64_t i = 0; i < frames; ++i) {
      // Breath: white noise with its lows thinned out.
      const double white = uniform(rng);
      lowPassed += 0.2 * (white - lowPassed);
      raw.push_back((white - lowPassed) * options.breathAmplitude);
    }
    span.end = static_cast<std::int64_t>(raw.size());
    signal.breaths.push_back(span);
  };
  breath(options.breathSeconds);
  const double harmonicsNorm = options.peak / 3.0;
  for (const auto& phrase : phrases) {
    double previousPitch = phrase.front().midi + phrase.front().cents / 100.0;
    const auto phraseStart = static_cast<std::int64_t>(raw.size());
    std::int64_t phraseFrames = 0;
    for (const VoicePhraseNote& n : phrase)
      phraseFrames += static_cast<std::int64_t>(n.seconds * RATE);
    for (std::size_t k = 0; k < phrase.size(); ++k) {
      const VoicePhraseNote& n = phrase[k];
      const double pitch = n.midi + n.cents / 100.0;
      const auto frames = static_cast<std::int64_t>(n.seconds * RATE);
      const auto glideFrames =
          k == 0 ? std::int64_t{0} : static_cast<std::int64_t>(options.glideSeconds * RATE);
      const auto noteStart = static_cast<std::int64_t>(raw.size());
      for (std::int64_t i = 0; i < frames; ++i) {
        double p = pitch;
        if (i < glideFrames) p = previousPitch + (pitch - previousPitch) * i / glideFrames;
        p += options.vibratoCents / 100.0 * std::sin(vibratoPhase);
        vibratoPhase += 2.0 * std::numbers::pi * options.vibratoHz / RATE;
        const double f0 = midiHz(p);
        phase += 2.0 * std::numbers::pi * f0 / RATE;
        if (phase > 2.0 * std::numbers::pi * 1024.0) phase -= 2.0 * std::numbers::pi * 1024.0;
        double v = 0.0;
        for (int h = 1; h * f0 < 5000.0; ++h) v += vowelGain(h * f0) / h * std::sin(h * phase);
        // 25 ms fade in and out at the phrase's ends.
        const std::int64_t inPhrase = noteStart + i - phraseStart;
        const double fade =
            std::min({1.0, inPhrase / (0.025 * RATE), (phraseFrames - inPhrase) / (0.025 * RATE)});
        raw.push_back(v * harmonicsNorm * fade);
      }
      signal.notes.push_back({{noteStart + glideFrames, noteStart + frames}, n.midi, n.cents});
      previousPitch = pitch;
    }
    breath(options.breathSeconds);
  }
  double peak = 0.0;
  for (double v : raw) peak = std::max(peak, std::fabs(v));
  const double scale = peak > options.peak ? options.peak / peak : 1.0;
  signal.samples.reserve(raw.size());
  for (double v : raw) signal.samples.push_back(toSample(v * scale));
  return signal;
}

}  // namespace testsignals
