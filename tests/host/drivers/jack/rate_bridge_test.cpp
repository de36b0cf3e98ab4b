// The rate bridge without a server: simulated server periods whose outputs
// come back as the next period's inputs, as a patched JACK client sees them.
// Catches drift between the two clocks, starved host buffers, dropped or
// repeated buffers, and a latency other than the one reported.
#include "host/drivers/jack/rate_bridge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <tuple>
#include <vector>

#include "host/drivers/jack/tone_fit.h"

namespace {

using jackdriver::RateBridge;

constexpr double HOST_RATE = 44100.0;

// Plays an impulse train on channel 0 and a 1 kHz tone on channel 1, and
// keeps what comes back.
class LoopHost : public jackdriver::HostSide {
 public:
  LoopHost(int frames, std::size_t keep) : frames_(frames) {
    back[0].reserve(keep);
    back[1].reserve(keep);
  }
  void hostBuffer(const float* const* in, float* const* out) override {
    for (int i = 0; i < frames_; ++i) {
      const std::int64_t n = played_ + i;
      out[0][i] = n % IMPULSE_EVERY == 0 ? 0.5f : 0.0f;
      out[1][i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1000.0 * n / HOST_RATE));
      if (back[0].size() < back[0].capacity()) {
        back[0].push_back(in[0][i]);
        back[1].push_back(in[1][i]);
      }
    }
    played_ += frames_;
  }
  static constexpr std::int64_t IMPULSE_EVERY = 22050;
  std::vector<float> back[2];

 private:
  int frames_;
  std::int64_t played_ = 0;
};

// Runs `periods` server periods; the server's output of one period is its
// input in the next. Keeps the spread of the host frames asked for against
// hostRate/serverRate times the server's frames: a drifting clock widens it.
struct LoopResult {
  double spread = 0;
  std::uint64_t hostBuffers = 0;
  std::uint64_t underruns = 0;
};

LoopResult runLoop(RateBridge& bridge, LoopHost& host, int hostFrames, double serverRate,
                   int period, int periods) {
  std::vector<float> a[2] = {std::vector<float>(period), std::vector<float>(period)};
  std::vector<float> b[2] = {std::vector<float>(period), std::vector<float>(period)};
  double low = 1e18, high = -1e18;
  for (int k = 0; k < periods; ++k) {
    const float* in[2] = {a[0].data(), a[1].data()};
    float* out[2] = {b[0].data(), b[1].data()};
    EXPECT_TRUE(bridge.process(in, out, period, host));
    std::swap(a, b);
    const double d = static_cast<double>(bridge.hostBuffers()) * hostFrames -
                     (k + 1.0) * period * HOST_RATE / serverRate;
    low = std::min(low, d);
    high = std::max(high, d);
  }
  return {high - low, bridge.hostBuffers(), bridge.underruns()};
}

// Where the impulse at host frame `at` came back, to a fraction of a frame.
double impulseArrival(const std::vector<float>& back, std::int64_t at, int window) {
  std::int64_t peak = at;
  for (std::int64_t i = at; i < at + window && i < static_cast<std::int64_t>(back.size()); ++i)
    if (back[i] > back[peak]) peak = i;
  const double l = back[peak - 1], c = back[peak], r = back[peak + 1];
  return static_cast<double>(peak) + 0.5 * (l - r) / (l - 2 * c + r);
}

// Server rate, period, and seconds of the server's time to run.
class RateBridgeLoop : public ::testing::TestWithParam<std::tuple<double, int, int>> {};

TEST_P(RateBridgeLoop, KeepsTheClockAndTheSignalAndItsReportedLatency) {
  const auto [serverRate, period, seconds] = GetParam();
  const int hostFrames = serverRate == HOST_RATE
                             ? 512
                             : static_cast<int>(std::lround(period * HOST_RATE / serverRate));
  RateBridge bridge;
  ASSERT_TRUE(bridge.configure(hostFrames, HOST_RATE, serverRate, period, 8192));
  const int periods = static_cast<int>(seconds * serverRate / period);
  LoopHost host(hostFrames, static_cast<std::size_t>(4.0 * HOST_RATE));

  const LoopResult run = runLoop(bridge, host, hostFrames, serverRate, period, periods);
  EXPECT_EQ(run.underruns, 0u);
  EXPECT_LE(run.spread, hostFrames + 1.0) << "the host's clock drifted against the server's";
  // The server's frames in host frames: the host has been asked for exactly
  // those, give or take the buffer being filled ahead.
  const double asked = static_cast<double>(run.hostBuffers) * hostFrames;
  const double due = periods * period * HOST_RATE / serverRate;
  EXPECT_GE(asked, due);
  EXPECT_LE(asked, due + bridge.outputLatency() + hostFrames);

  // Round trip through the loop: the input FIFO's fixed latency plus the one
  // period the loop itself takes, for every impulse.
  const double expected = bridge.inputLatency() + period * HOST_RATE / serverRate;
  for (std::int64_t at = LoopHost::IMPULSE_EVERY;
       at + 4096 < static_cast<std::int64_t>(host.back[0].size()); at += LoopHost::IMPULSE_EVERY) {
    EXPECT_NEAR(impulseArrival(host.back[0], at, 4096) - static_cast<double>(at), expected, 0.5)
        << "impulse at " << at;
  }
  // A dropped or repeated buffer jumps the tone's phase.
  const std::vector<double> tone(host.back[1].begin(), host.back[1].end());
  const jacktest::ToneReport report =
      jacktest::analyseTone(tone, HOST_RATE, 1000.0, 8192, tone.size());
  EXPECT_LT(report.worstPhase, 1e-3);
  EXPECT_LT(std::fabs(report.cents), 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    ServerRates, RateBridgeLoop,
    ::testing::Values(std::make_tuple(48000.0, 512, 60), std::make_tuple(96000.0, 256, 4),
                      std::make_tuple(22050.0, 128, 4), std::make_tuple(48000.0, 64, 4),
                      // The period changed under a 512-frame host.
                      std::make_tuple(44100.0, 256, 4), std::make_tuple(44100.0, 1024, 4)));

TEST(RateBridge, APeriodLongerThanPreparedPlaysSilenceWithoutAskingTheHost) {
  RateBridge bridge;
  ASSERT_TRUE(bridge.configure(470, HOST_RATE, 48000.0, 512, 1024));
  LoopHost host(470, 0);
  std::vector<float> in(2048, 0.25f), out0(2048, 1.0f), out1(2048, 1.0f);
  const float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out0.data(), out1.data()};
  EXPECT_FALSE(bridge.process(ins, outs, 2048, host));
  EXPECT_EQ(bridge.hostBuffers(), 0u);
  EXPECT_EQ(std::count(out0.begin(), out0.end(), 0.0f), 2048);
  EXPECT_EQ(std::count(out1.begin(), out1.end(), 0.0f), 2048);
  // A period it was prepared for still runs afterwards.
  EXPECT_TRUE(bridge.process(ins, outs, 1024, host));
  EXPECT_GE(bridge.hostBuffers(), 2u);
}

// Rates 300 times apart are beyond the converter's range: it takes nothing
// from the output FIFO. The bridge asks the host only for the buffers the
// FIFO has room for and plays silence, counting underruns, instead of
// writing past the FIFO's end.
TEST(RateBridge, AnOutputConverterThatStopsDrainingCountsUnderrunsInsteadOfOverflowing) {
  constexpr int HOST_FRAMES = 64;
  constexpr int PERIOD = 1 << 16;
  RateBridge bridge;
  ASSERT_TRUE(bridge.configure(HOST_FRAMES, 100.0, 30000.0, HOST_FRAMES, PERIOD));
  LoopHost host(HOST_FRAMES, 0);
  std::vector<float> in(PERIOD, 0.25f), out0(PERIOD, 1.0f), out1(PERIOD, 1.0f);
  const float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out0.data(), out1.data()};
  for (int period = 0; period < 3; ++period) EXPECT_TRUE(bridge.process(ins, outs, PERIOD, host));
  EXPECT_LE(bridge.hostBuffers(), 4u) << "more buffers than the output FIFO holds";
  EXPECT_GE(bridge.underruns(), 3u);
  EXPECT_EQ(std::count(out0.begin(), out0.end(), 0.0f), PERIOD);
}

}  // namespace
