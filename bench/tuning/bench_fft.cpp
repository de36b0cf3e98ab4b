// Our radix-2 transform against FFTW at the engine's sizes: time per forward
// transform, time to plan, and one whole analysis with each backend. The
// figures decide DEFAULT_FFT_BACKEND.
#include <fftw3.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "tuning/fft.h"
#include "tuning/tuning_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Repeats `work` for about a quarter of a second and returns seconds per call.
template <typename Work>
double timePerCall(Work&& work) {
  long calls = 0;
  const auto start = Clock::now();
  double elapsed = 0.0;
  do {
    for (int i = 0; i < 16; ++i) work();
    calls += 16;
    elapsed = secondsSince(start);
  } while (elapsed < 0.25);
  return elapsed / calls;
}

void fillRandom(double* x, int n) {
  std::mt19937 rng(n);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  for (int i = 0; i < n; ++i) x[i] = uniform(rng);
}

double transformTime(tuning::FftBackend backend, int n) {
  auto fft = tuning::makeRealFft(n, backend);
  if (!fft) return NAN;
  fillRandom(fft->input(), n);
  return timePerCall([&] { fft->forward(); });
}

// FFTW with a measured plan, to see what planning effort would buy.
void measuredPlan(int n, double& planSeconds, double& runSeconds) {
  double* in = fftw_alloc_real(n);
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_forget_wisdom();
  const auto start = Clock::now();
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
  planSeconds = secondsSince(start);
  fillRandom(in, n);
  runSeconds = timePerCall([&] { fftw_execute(plan); });
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
}

double engineTime(tuning::FftBackend backend, int n, double& constructSeconds) {
  const auto start = Clock::now();
  tuning::TuningEngine engine(tuning::EngineParams{}, n, backend);
  constructSeconds = secondsSince(start);
  for (int i = 0; i < n; ++i)
    engine.inputRing[i] = static_cast<float>(0.5 * std::sin(i * 2.0 * 3.14159265 * 220.0 / 44100));
  return timePerCall([&] { tuning::AnalyseFrame(engine); });
}

}  // namespace

int main() {
  std::printf("forward real FFT, microseconds per transform (lower is better)\n");
  std::printf("%7s %12s %12s %14s %16s %14s\n", "n", "radix-2", "FFTW est.", "radix2/FFTW",
              "FFTW measured", "measure plan");
  for (int n : {1024, 4096, 16384, 65536}) {
    const double radix = transformTime(tuning::FftBackend::Radix2, n);
    const double fftw = transformTime(tuning::FftBackend::Fftw, n);
    double planSeconds = 0.0, measured = 0.0;
    measuredPlan(n, planSeconds, measured);
    std::printf("%7d %12.2f %12.2f %14.2f %16.2f %12.1f ms\n", n, radix * 1e6, fftw * 1e6,
                radix / fftw, measured * 1e6, planSeconds * 1e3);
  }
  std::printf("\nAnalyseFrame (two transforms and the lag search), microseconds per frame\n");
  std::printf("%7s %12s %12s %14s %22s\n", "n", "radix-2", "FFTW", "radix2/FFTW",
              "construct r2 / FFTW ms");
  for (int n : {4096, 65536}) {
    double buildRadix = 0.0, buildFftw = 0.0;
    const double radix = engineTime(tuning::FftBackend::Radix2, n, buildRadix);
    const double fftw = engineTime(tuning::FftBackend::Fftw, n, buildFftw);
    std::printf("%7d %12.2f %12.2f %14.2f %11.2f / %.2f\n", n, radix * 1e6, fftw * 1e6,
                radix / fftw, buildRadix * 1e3, buildFftw * 1e3);
  }
  return 0;
}
