// The detector's lag pick and spectral refinement as they stood before the two
// mends (highest lag peak wins; bins bin-1..bin+2 only), run on the normalised
// autocorrelation and power spectrum an engine has just computed. Tests use it
// to show what the mends change, and what they leave alone at N = 4096.
#pragma once

#include <cmath>

#include "tuning/tuning_engine.h"

namespace reference {

struct Decision {
  bool voiced = false;
  int lag = 0;
  double hz = 0.0;
};

inline Decision originalDecision(const tuning::TuningEngine& e) {
  Decision d;
  const float* a = e.autocorrelation.get();
  float best = 0.0f;
  for (int m = e.minLag; m < e.maxLag; ++m) {
    if (a[m] > best && a[m] > a[m - 1] && a[m] >= a[m + 1]) {
      best = a[m];
      d.lag = m;
    }
  }
  if (d.lag == 0) return d;
  const double clarity = static_cast<float>(static_cast<double>(e.lagWeight[d.lag]) * best);
  if (clarity < 0.8) return d;
  const double* p = e.powerSpectrum.get();
  const float lagHz = static_cast<float>(static_cast<double>(e.sampleRate) / d.lag);
  const int bin = static_cast<int>(lagHz / (e.sampleRate / 2) * e.halfSize);
  const int low = std::max(bin - 1, 2);
  const int high = bin + 2 >= e.halfSize - 1 ? e.halfSize - 2 : bin + 2;
  double top = 0.0;
  int peak = -1;
  for (int i = low; i <= high; ++i) {
    if (p[i] > top && p[i] > p[i - 1] && p[i] >= p[i + 1]) {
      top = p[i];
      peak = i;
    }
  }
  if (peak < 0) return d;
  const double delta =
      (p[peak + 1] - p[peak - 1]) / (2.0 * (2.0 * p[peak] - p[peak - 1] - p[peak + 1]));
  d.hz = (peak + delta) * e.binWidth;
  d.voiced = true;
  return d;
}

}  // namespace reference
