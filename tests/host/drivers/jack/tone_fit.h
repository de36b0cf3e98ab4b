// Measures a steady tone that came back through the driver: its frequency
// (from the slope of its phase over 50 ms blocks), its level, and how far any
// block's phase strays from the steady tone (a dropped or repeated buffer
// jumps it).
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

namespace jacktest {

struct ToneReport {
  double hz = 0;
  double cents = 0;          // against the nominal frequency
  double amplitude = 0;      // mean over the blocks
  double worstPhase = 0;     // radians off the straight phase line
  double worstResidual = 0;  // rms left by a block's fit, relative to its amplitude
};

// x at `rate`, analysed over [from, to) against a tone of nominal `hz`.
inline ToneReport analyseTone(const std::vector<double>& x, double rate, double hz,
                              std::size_t from, std::size_t to) {
  const auto block = static_cast<std::size_t>(rate / 20);
  std::vector<double> times, phases;
  ToneReport r;
  for (std::size_t at = from; at + block <= to && at + block <= x.size(); at += block) {
    std::complex<double> acc = 0;
    for (std::size_t i = 0; i < block; ++i) {
      const double w = 2 * std::numbers::pi * hz * static_cast<double>(at + i) / rate;
      acc += x[at + i] * std::complex<double>(std::cos(w), -std::sin(w));
    }
    acc *= 2.0 / static_cast<double>(block);
    double residual = 0;
    for (std::size_t i = 0; i < block; ++i) {
      const double w = 2 * std::numbers::pi * hz * static_cast<double>(at + i) / rate;
      const double fit = acc.real() * std::cos(w) - acc.imag() * std::sin(w);
      residual += (x[at + i] - fit) * (x[at + i] - fit);
    }
    r.worstResidual =
        std::max(r.worstResidual, std::sqrt(residual / static_cast<double>(block)) / std::abs(acc));
    r.amplitude += std::abs(acc);
    times.push_back(static_cast<double>(at) / rate);
    phases.push_back(std::arg(acc));
  }
  if (times.size() < 2) return r;
  r.amplitude /= static_cast<double>(times.size());
  for (std::size_t i = 1; i < phases.size(); ++i)
    phases[i] = phases[i - 1] + std::remainder(phases[i] - phases[i - 1], 2 * std::numbers::pi);
  double mt = 0, mp = 0;
  for (std::size_t i = 0; i < times.size(); ++i) mt += times[i], mp += phases[i];
  mt /= static_cast<double>(times.size());
  mp /= static_cast<double>(times.size());
  double stp = 0, stt = 0;
  for (std::size_t i = 0; i < times.size(); ++i) {
    stp += (times[i] - mt) * (phases[i] - mp);
    stt += (times[i] - mt) * (times[i] - mt);
  }
  const double slope = stp / stt;
  for (std::size_t i = 0; i < times.size(); ++i)
    r.worstPhase = std::max(r.worstPhase, std::fabs(phases[i] - (mp + slope * (times[i] - mt))));
  r.hz = hz + slope / (2 * std::numbers::pi);
  r.cents = 1200.0 * std::log2(r.hz / hz);
  return r;
}

}  // namespace jacktest
