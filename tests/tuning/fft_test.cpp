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

constexpr FftBackend ALL_BACKENDS[] = {FftBackend::Fftw, FftBackend::Radix2};

std::vector<double> randomSignal(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<double> x(n);
  for (double& v : x) v = uniform(rng);
  return x;
}

class FftBackends : public ::testing::TestWithParam<FftBackend> {};

TEST_P(FftBackends, MatchesDirectDftUnscaled) {
  for (int n : {4, 8, 16, 64, 256, 1024}) {
    auto fft = tuning::makeRealFft(n, GetParam());
    ASSERT_NE(fft, nullptr) << n;
    ASSERT_EQ(fft->size(), n);
    const auto x = randomSignal(n, 17 + n);
    std::copy(x.begin(), x.end(), fft->input());
    fft->forward();
    double worst = 0.0;
    for (int k = 0; k <= n / 2; ++k) {
      double re = 0.0, im = 0.0;
      for (int m = 0; m < n; ++m) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) * m / n;
        re += x[m] * std::cos(angle);
        im += x[m] * std::sin(angle);
      }
      worst = std::max({worst, std::fabs(re - fft->spectrum()[2 * k]),
                        std::fabs(im - fft->spectrum()[2 * k + 1])});
    }
    EXPECT_LT(worst, 1e-9 * n) << "n = " << n;
  }
}

TEST_P(FftBackends, RepeatedTransformsGiveTheSameBins) {
  auto fft = tuning::makeRealFft(512, GetParam());
  ASSERT_NE(fft, nullptr);
  const auto x = randomSignal(512, 3);
  std::copy(x.begin(), x.end(), fft->input());
  fft->forward();
  const std::vector<double> first(fft->spectrum(), fft->spectrum() + 514);
  std::copy(x.begin(), x.end(), fft->input());
  fft->forward();
  for (int k = 0; k < 514; ++k) EXPECT_EQ(first[k], fft->spectrum()[k]) << k;
}

TEST_P(FftBackends, RefusesSizesThatAreNotPowersOfTwo) {
  EXPECT_EQ(tuning::makeRealFft(0, GetParam()), nullptr);
  EXPECT_EQ(tuning::makeRealFft(2, GetParam()), nullptr);
  EXPECT_EQ(tuning::makeRealFft(1000, GetParam()), nullptr);
  EXPECT_EQ(tuning::makeRealFft(-4096, GetParam()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllBackends, FftBackends, ::testing::ValuesIn(ALL_BACKENDS),
                         [](const auto& info) {
                           return info.param == FftBackend::Fftw ? "Fftw" : "Radix2";
                         });

TEST(FftBackendsAgree, AtTheLargestReadoutSize) {
  constexpr int n = 65536;
  const auto x = randomSignal(n, 5);
  auto a = tuning::makeRealFft(n, FftBackend::Fftw);
  auto b = tuning::makeRealFft(n, FftBackend::Radix2);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  std::copy(x.begin(), x.end(), a->input());
  std::copy(x.begin(), x.end(), b->input());
  a->forward();
  b->forward();
  double worst = 0.0;
  for (int k = 0; k <= n / 2; ++k)
    worst = std::max({worst, std::fabs(a->spectrum()[2 * k] - b->spectrum()[2 * k]),
                      std::fabs(a->spectrum()[2 * k + 1] - b->spectrum()[2 * k + 1])});
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

}  // namespace
