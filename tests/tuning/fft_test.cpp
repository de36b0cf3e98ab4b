// Every FFT backend against a direct DFT, and against each other at the
// readout's largest size.
#include "tuning/fft.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

namespace {

using tuning::FftBackend;

std::vector<double> randomSignal(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> x(n);
  for (double& v : x) v = uniform(rng);
  return x;
}

// Bins 0..n/2 of x, interleaved as the transform gives them.
std::vector<double> transform(tuning::RealFft& fft, const std::vector<double>& x) {
  std::copy(x.begin(), x.end(), fft.input());
  fft.forward();
  return {fft.spectrum(), fft.spectrum() + fft.size() + 2};
}

class FftBackends : public ::testing::TestWithParam<FftBackend> {};

TEST_P(FftBackends, MatchesDirectDftUnscaledAndKeepsNoStateBetweenRuns) {
  for (int n : {4, 8, 16, 64, 256, 1024}) {
    auto fft = tuning::makeRealFft(n, GetParam());
    ASSERT_NE(fft, nullptr) << n;
    ASSERT_EQ(fft->size(), n);
    const auto x = randomSignal(n, 17 + n);
    const auto bins = transform(*fft, x);
    double worst = 0.0;
    for (int k = 0; k <= n / 2; ++k) {
      double re = 0.0, im = 0.0;
      for (int m = 0; m < n; ++m) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) * m / n;
        re += x[m] * std::cos(angle);
        im += x[m] * std::sin(angle);
      }
      worst = std::max({worst, std::fabs(re - bins[2 * k]), std::fabs(im - bins[2 * k + 1])});
    }
    EXPECT_LT(worst, 1e-9 * n) << "n = " << n;
    EXPECT_EQ(transform(*fft, x), bins) << "n = " << n;
  }
  for (int n : {0, 2, 1000, -4096}) EXPECT_EQ(tuning::makeRealFft(n, GetParam()), nullptr) << n;
}

std::vector<FftBackend> carriedBackends() {
  if (tuning::FFTW_AVAILABLE) return {FftBackend::Fftw, FftBackend::Radix2};
  return {FftBackend::Radix2};
}

INSTANTIATE_TEST_SUITE_P(AllBackends, FftBackends, ::testing::ValuesIn(carriedBackends()),
                         [](const auto& info) {
                           return info.param == FftBackend::Fftw ? "Fftw" : "Radix2";
                         });

#if CANTORA_HAVE_FFTW
TEST(FftBackendsAgree, AtTheLargestReadoutSize) {
  constexpr int n = 65536;
  const auto x = randomSignal(n, 5);
  auto a = tuning::makeRealFft(n, FftBackend::Fftw);
  auto b = tuning::makeRealFft(n, FftBackend::Radix2);
  ASSERT_TRUE(a && b);
  const auto binsA = transform(*a, x);
  const auto binsB = transform(*b, x);
  double worst = 0.0;
  for (std::size_t k = 0; k < binsA.size(); ++k)
    worst = std::max(worst, std::fabs(binsA[k] - binsB[k]));
  EXPECT_LT(worst, 1e-8);
}

// FFTW's planner is not thread-safe: engines built on several threads at once
// must still each get a working transform.
TEST(FftBackendsAgree, EnginesBuiltOnSeveralThreadsAtOnceAllWork) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int round = 0; round < 6; ++round) {
        const int n = 1024 << ((t + round) % 4);
        auto fft = tuning::makeRealFft(n, FftBackend::Fftw);
        if (!fft) {
          ++wrong;
          continue;
        }
        // A cosine at bin 5 has all its energy there: n/2 in the real part.
        for (int i = 0; i < n; ++i) fft->input()[i] = std::cos(2.0 * std::numbers::pi * 5 * i / n);
        fft->forward();
        if (std::fabs(fft->spectrum()[10] - n / 2.0) > 1e-6 || std::fabs(fft->spectrum()[2]) > 1e-6)
          ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}
#endif

}  // namespace
