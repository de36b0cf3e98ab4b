// An estimator of the pitch of a short stretch of audio that shares nothing
// with the engine: the time-domain squared-difference function with cumulative
// mean normalisation, and a parabola through its minimum.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace probe {

inline constexpr double RATE = 44100.0;

// The fundamental of x[0..frame) in Hz, or nothing when the stretch has no
// clear period between minHz and maxHz.
inline std::optional<double> pitchHz(const std::int16_t* x, int frame, double minHz = 60.0,
                                     double maxHz = 1000.0, double threshold = 0.2) {
  const int maxLag = static_cast<int>(RATE / minHz);
  const int minLag = static_cast<int>(RATE / maxHz);
  const int width = frame - maxLag - 1;
  if (width < 64) return std::nullopt;
  std::vector<double> d(maxLag + 2, 0.0);
  for (int lag = 1; lag <= maxLag + 1; ++lag) {
    double sum = 0.0;
    for (int j = 0; j < width; ++j) {
      const double diff = static_cast<double>(x[j]) - x[j + lag];
      sum += diff * diff;
    }
    d[lag] = sum;
  }
  // Cumulative mean normalised difference.
  std::vector<double> cmnd(maxLag + 2, 1.0);
  double running = 0.0;
  for (int lag = 1; lag <= maxLag + 1; ++lag) {
    running += d[lag];
    cmnd[lag] = running > 0.0 ? d[lag] * lag / running : 1.0;
  }
  int lag = -1;
  for (int t = std::max(minLag, 2); t <= maxLag; ++t) {
    if (cmnd[t] < threshold) {
      while (t + 1 <= maxLag && cmnd[t + 1] < cmnd[t]) ++t;
      lag = t;
      break;
    }
  }
  if (lag < 0) return std::nullopt;
  const double a = d[lag - 1], b = d[lag], c = d[lag + 1];
  const double denominator = a - 2.0 * b + c;
  const double shift = denominator > 0.0 ? 0.5 * (a - c) / denominator : 0.0;
  return RATE / (lag + shift);
}

// Cents from a to b.
inline double cents(double a, double b) {
  return 1200.0 * std::log2(b / a);
}

// Median pitch over consecutive frames of x[begin, end), ignoring unvoiced ones.
inline std::optional<double> medianPitchHz(const std::vector<std::int16_t>& x, std::int64_t begin,
                                           std::int64_t end, int frame = 2048) {
  std::vector<double> found;
  for (std::int64_t at = begin; at + frame <= end; at += frame)
    if (auto hz = pitchHz(x.data() + at, frame)) found.push_back(*hz);
  if (found.empty()) return std::nullopt;
  std::nth_element(found.begin(), found.begin() + found.size() / 2, found.end());
  return found[found.size() / 2];
}

// RMS level in dB (full scale = 32768) of x[begin, end).
inline double rmsLevelDb(const std::vector<std::int16_t>& x, std::int64_t begin, std::int64_t end) {
  double sum = 0.0;
  for (std::int64_t i = begin; i < end; ++i) sum += static_cast<double>(x[i]) * x[i];
  const double mean = sum / std::max<std::int64_t>(end - begin, 1);
  return 10.0 * std::log10(std::max(mean, 1e-9) / (32768.0 * 32768.0));
}

}  // namespace probe
