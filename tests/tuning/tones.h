// Steady tones of the shapes that trouble a pitch detector: the naive sawtooth
// and square (every harmonic, aliased above Nyquist), a band-limited sawtooth,
// and a tone whose fundamental is weaker than its second harmonic. All at
// 44100 Hz, peak `amplitude` in sample units.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

#include "support/test_signals.h"

namespace tones {

enum class Shape { Sine, Sawtooth, Square, BandLimitedSawtooth, WeakFundamental };

inline constexpr Shape ALL_SHAPES[] = {Shape::Sine, Shape::Sawtooth, Shape::Square,
                                       Shape::BandLimitedSawtooth, Shape::WeakFundamental};

inline const char* nameOf(Shape shape) {
  switch (shape) {
    case Shape::Sine:
      return "sine";
    case Shape::Sawtooth:
      return "sawtooth";
    case Shape::Square:
      return "square";
    case Shape::BandLimitedSawtooth:
      return "band-limited sawtooth";
    case Shape::WeakFundamental:
      return "weak fundamental";
  }
  return "";
}

// The shape at phase x (in cycles), about -1..1. The band-limited sawtooth is
// read from `table`, one period of it.
inline double waveAt(Shape shape, double x, const std::vector<double>& table) {
  const double tau = 2.0 * std::numbers::pi;
  const double frac = x - std::floor(x);
  switch (shape) {
    case Shape::Sine:
      return std::sin(tau * x);
    case Shape::Sawtooth:
      return 2.0 * frac - 1.0;
    case Shape::Square:
      return frac < 0.5 ? 1.0 : -1.0;
    case Shape::BandLimitedSawtooth: {
      const double at = frac * static_cast<double>(table.size());
      const auto i = static_cast<std::size_t>(at);
      const double next = table[(i + 1) % table.size()];
      return table[i] + (at - static_cast<double>(i)) * (next - table[i]);
    }
    case Shape::WeakFundamental:
      return (0.4 * std::sin(tau * x) + std::sin(2.0 * tau * x + 0.5) +
              0.5 * std::sin(3.0 * tau * x + 1.0)) /
             1.6;
  }
  return 0.0;
}

inline std::vector<std::int16_t> tone(Shape shape, double hz, std::int64_t frames,
                                      double amplitude = 16000.0, double phase = 0.0) {
  // One period of the sawtooth's harmonics up to 20 kHz.
  std::vector<double> table;
  if (shape == Shape::BandLimitedSawtooth) {
    table.resize(4096);
    for (std::size_t i = 0; i < table.size(); ++i) {
      // sin(h x) for h = 1, 2, ... by turning a phasor.
      const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / table.size();
      const std::complex<double> turn = std::polar(1.0, x);
      std::complex<double> phasor = turn;
      for (int h = 1; h * hz < 20000.0; ++h, phasor *= turn) table[i] += phasor.imag() / h;
      table[i] *= 2.0 / std::numbers::pi / 1.18;  // a peak of about 1
    }
  }
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
  for (std::int64_t i = 0; i < frames; ++i)
    out[i] = testsignals::toSample(amplitude * waveAt(shape, hz * i / 44100.0 + phase, table));
  return out;
}

}  // namespace tones
