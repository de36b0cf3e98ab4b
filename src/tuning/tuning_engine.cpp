#include "tuning/tuning_engine.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "tuning/analysis_steps.h"

namespace tuning {

namespace {

constexpr int MIN_FRAME_SIZE = 256;
constexpr int MAX_FRAME_SIZE = 1 << 20;

template <typename T>
std::unique_ptr<T[]> allocate(int count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

// floor(sampleRate * (1/hz)), with 1/hz and the product rounded to single
// precision first, as the detector has always formed its lag bounds.
int lagFor(int sampleRate, double hz) {
  const float period = static_cast<float>(1.0 / hz);
  const float product = static_cast<float>(sampleRate * static_cast<double>(period));
  return static_cast<int>(std::floor(product));
}

void fillWindows(TuningEngine& e) {
  const int n = e.frameSize;
  for (int i = 0; i < n; ++i) {
    const float arg = static_cast<float>(TWO_PI_SINGLE * i / (n - 1));
    e.synthesisWindow[i] = static_cast<float>(0.5 - 0.5 * std::cos(static_cast<double>(arg)));
  }
  // A Hann window of about N/2 points over the middle half of the frame.
  const int quarter = n / 4;
  for (int i = 0; i < n; ++i) {
    if (i < quarter || i >= 3 * quarter) {
      e.analysisWindow[i] = 0.0f;
      continue;
    }
    const int k = i - quarter;
    const float arg = static_cast<float>(FOUR_PI_SINGLE * k / (n - 1));
    e.analysisWindow[i] = static_cast<float>(0.5 - 0.5 * std::cos(static_cast<double>(arg)));
  }
}

// Per lag, the reciprocal of the window's own normalised autocorrelation: it
// undoes the taper that the window puts on the frame's autocorrelation.
void fillLagWeights(TuningEngine& e) {
  double* x = e.fft->input();
  for (int i = 0; i < e.frameSize; ++i) x[i] = e.analysisWindow[i];
  const double* r = autocorrelateFrame(e, /*dropDc=*/false);
  e.lagWeight[0] = 1.0f;
  for (int k = 1; k < e.halfSize; ++k) {
    const float q = static_cast<float>(r[2 * k] / r[0]);
    e.lagWeight[k] = q > MIN_WINDOW_CORRELATION ? static_cast<float>(1.0 / q) : 0.0f;
  }
}

}  // namespace

float glideForGrace(float grace, int hopSize, int sampleRate) {
  if (!(grace > 0.0f) || sampleRate <= 0) return 1.0f;
  const double hopMs = hopSize * 1000.0 / sampleRate;
  const float glide = static_cast<float>(1.0 - std::pow(GRACE_REMAINDER, hopMs / grace));
  // A huge Grace could round the step down to nothing; keep the note moving.
  return std::clamp(glide, 1e-6f, 1.0f);
}

TuningEngine::TuningEngine(const EngineParams& params, int n, FftBackend backend) {
  if (n < MIN_FRAME_SIZE || n > MAX_FRAME_SIZE || (n & (n - 1)) != 0 || params.sampleRate <= 0)
    return;
  frameSize = n;
  halfSize = n / 2;
  hopSize = n / 4;
  sampleRate = params.sampleRate;
  binWidth = static_cast<double>(sampleRate) / n;
  pitchShift = static_cast<float>(params.pitchShift);
  grace = params.grace;
  noteEnabled = params.noteEnabled;

  inputRing = allocate<float>(n);
  powerSpectrum = allocate<double>(halfSize + 1);
  autocorrelation = allocate<float>(halfSize);
  analysisWindow = allocate<float>(n);
  lagWeight = allocate<float>(halfSize);
  outputRing = allocate<float>(n);
  weightRing = allocate<float>(n);
  synthesisWindow = allocate<float>(n);
  grainSource = allocate<float>(n);
  fft = makeRealFft(n, backend);
  if (!inputRing || !powerSpectrum || !autocorrelation || !analysisWindow || !lagWeight ||
      !outputRing || !weightRing || !synthesisWindow || !grainSource || !fft)
    return;

  fillWindows(*this);
  fillLagWeights(*this);

  minLag = std::max(lagFor(sampleRate, HIGHEST_PITCH_HZ), 2);
  maxLag = std::min(lagFor(sampleRate, LOWEST_PITCH_HZ), halfSize - 1);

  const double hopMs = hopSize * 1000.0 / sampleRate;
  glide = glideForGrace(grace, hopSize, sampleRate);
  decayPerHop = static_cast<float>(std::pow(0.5, hopMs / MEMORY_HALF_LIFE_MS));
  memoryWeight = 0.0f;
  noteState = 0.0f;
  voiced = false;
  pitchRatio = 1.0f;
  periodStep = static_cast<float>(1.0 / (sampleRate * INITIAL_GRAIN_SECONDS));
  analysisPhase = 0.0f;
  synthesisPhase = 0.0f;
  samplesSinceGrain = 0;
  writePos = 0;
  readPos = 0;
  ok = true;
}

}  // namespace tuning
