// AnalyseFrame: windowed autocorrelation through the power spectrum, divided by
// the window's own autocorrelation, with the fundamental refined on the peak of
// the power spectrum.
#include <algorithm>
#include <cmath>

#include "tuning/analysis_steps.h"
#include "tuning/tuning_engine.h"

namespace tuning {

namespace {

// Lag of the autocorrelation peak in minLag..maxLag-1, or 0 when there is
// none. A bright tone's peak at one period is sharp and may fall between two
// whole lags, where the peak at two or three periods happens to be sampled
// nearer its top: so each local peak's height is estimated by a parabola
// through it and its neighbours, and the shortest lag whose estimate comes
// within LAG_PEAK_SHARE of the highest one is taken.
int findLagPeak(const TuningEngine& e, float& peakValue) {
  const float* a = e.autocorrelation.get();
  auto peakHeight = [a](int m) {
    const double before = a[m - 1], at = a[m], after = a[m + 1];
    // A local peak has 2*at > before + after, so the parabola opens downward.
    const double slope = after - before;
    return at + slope * slope / (8.0 * (2.0 * at - before - after));
  };
  auto isLocalPeak = [a](int m) { return a[m] > a[m - 1] && a[m] >= a[m + 1] && a[m] > 0.0f; };
  double highest = 0.0;
  for (int m = e.minLag; m < e.maxLag; ++m)
    if (isLocalPeak(m)) highest = std::max(highest, peakHeight(m));
  if (highest <= 0.0) return 0;
  const double enough = LAG_PEAK_SHARE * highest;
  for (int m = e.minLag; m < e.maxLag; ++m) {
    if (isLocalPeak(m) && peakHeight(m) >= enough) {
      peakValue = a[m];
      return m;
    }
  }
  return 0;
}

// The frequency of the power spectrum's peak near sampleRate / lag, or 0 when
// the bins there hold no local peak. The bins searched cover at least the
// frequencies of the lags lag+1 down to lag-1 (a whole-sample lag can be off by
// many bins in a long frame), and never fewer than bin-1 .. bin+2.
double refineFrequency(const TuningEngine& e, int lag) {
  const double* p = e.powerSpectrum.get();
  const double nyquist = e.sampleRate / 2;
  const int halfSize = e.halfSize;
  const float lagFrequency = static_cast<float>(static_cast<double>(e.sampleRate) / lag);
  const int bin = static_cast<int>(lagFrequency / nyquist * halfSize);
  const double lowest = static_cast<double>(e.sampleRate) / (lag + 1);
  const double highest = static_cast<double>(e.sampleRate) / (lag - 1);
  int lowBin = std::min(bin - 1, static_cast<int>(lowest / e.binWidth));
  int highBin = std::max(bin + 2, static_cast<int>(highest / e.binWidth) + 1);
  lowBin = std::max(lowBin, 2);
  if (highBin >= halfSize - 1) highBin = halfSize - 2;

  double best = 0.0;
  int peak = -1;
  for (int i = lowBin; i <= highBin; ++i) {
    if (p[i] > best && p[i] > p[i - 1] && p[i] >= p[i + 1]) {
      best = p[i];
      peak = i;
    }
  }
  if (peak < 0) return 0.0;
  // Parabola through the peak bin and its neighbours.
  const double delta =
      (p[peak + 1] - p[peak - 1]) / (2.0 * (2.0 * p[peak] - p[peak - 1] - p[peak + 1]));
  return (peak + delta) * e.binWidth;
}

}  // namespace

const double* autocorrelateFrame(TuningEngine& e, bool dropDc) {
  const int n = e.frameSize;
  const int half = e.halfSize;
  RealFft& fft = *e.fft;
  fft.forward();
  const double* bins = fft.spectrum();
  double* power = e.powerSpectrum.get();
  for (int k = 0; k <= half; ++k)
    power[k] = bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
  if (dropDc) power[0] = 0.0;
  // The power spectrum is real and even, so its transform is real: the
  // autocorrelation of the frame.
  double* x = fft.input();
  for (int k = 0; k <= half; ++k) x[k] = power[k];
  for (int k = 1; k < half; ++k) x[n - k] = power[k];
  fft.forward();
  return fft.spectrum();
}

void AnalyseFrame(TuningEngine& e) {
  const int n = e.frameSize;
  double* x = e.fft->input();
  const float* ring = e.inputRing.get();
  const float* window = e.analysisWindow.get();
  const int tail = n - e.writePos;
  for (int i = 0; i < tail; ++i) x[i] = static_cast<double>(ring[e.writePos + i]) * window[i];
  for (int i = tail; i < n; ++i) x[i] = static_cast<double>(ring[i - tail]) * window[i];

  const double* r = autocorrelateFrame(e, /*dropDc=*/true);
  const double r0 = r[0];
  float* a = e.autocorrelation.get();
  // A silent frame has no autocorrelation to normalise: leave every lag at 0
  // so that none can be taken.
  for (int m = e.minLag - 1; m <= e.maxLag; ++m)
    a[m] = r0 > 0.0 ? static_cast<float>(r[2 * m] / r0) : 0.0f;

  e.clarity = 0.0f;
  e.periodSeconds = static_cast<float>(1.0 / HIGHEST_PITCH_HZ);
  float peakValue = 0.0f;
  const int lag = findLagPeak(e, peakValue);
  if (lag == 0) return;
  e.clarity = static_cast<float>(static_cast<double>(e.lagWeight[lag]) * peakValue);
  if (e.clarity < e.voicingThreshold) return;

  const double frequency = refineFrequency(e, lag);
  e.refinedPeriod = frequency > 0.0 ? 1.0 / frequency : 0.0;
  if (e.refinedPeriod != 0.0) {
    e.periodSeconds = static_cast<float>(e.refinedPeriod);
    e.detectedSemitones =
        static_cast<float>(std::log10(static_cast<double>(e.periodSeconds) * e.referenceFrequency) *
                           -12.0 * LOG2_OF_10);
  } else {
    e.periodSeconds = static_cast<float>(static_cast<double>(lag) / e.sampleRate);
    e.clarity = 0.0f;
  }
}

}  // namespace tuning
