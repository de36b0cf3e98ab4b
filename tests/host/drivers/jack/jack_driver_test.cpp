// The JACK driver loaded as the host loads it: a catalogue setting it cannot
// use, and on a private 48000 Hz dummy server the converted path (pitch,
// level, continuity, and the host's buffers against the server's clock, which
// only the driver's own switches show). Hostkit-level behaviour is in
// hostkit_jack_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <thread>

#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"
#include "host/drivers/jack/tone_fit.h"
#include "support/test_signals.h"

namespace {

using namespace std::chrono_literals;
using jacktest::JackPeer;
using jacktest::PrivateJackServer;
using jacktest::TestHost;
using jacktest::waitFor;

// Releases the driver at the end of a test, whatever happened.
struct Release {
  void operator()(drivers::AsioDriver* driver) const { driver->release(); }
};
using DriverRef = std::unique_ptr<drivers::AsioDriver, Release>;

// A setting the driver cannot use: init fails and names it. (A missing
// server: hostkit_jack_test.cpp, through the host.)
TEST(JackDriverInit, FailsNamingTheUnusableSetting) {
  ::setenv("JACK_DEFAULT_SERVER", jacktest::uniqueServerName().c_str(), 1);
  ::setenv("JACK_NO_START_SERVER", "1", 1);
  DriverRef driver(jacktest::createDriver({{"sampletype", "20"}}));
  ASSERT_NE(driver.get(), nullptr);
  EXPECT_EQ(driver->init(nullptr), drivers::DRIVER_FALSE);
  char text[drivers::DRIVER_ERROR_BYTES] = {};
  driver->getErrorMessage(text);
  for (const char* named : {"\"sampletype\"", "\"20\""})
    EXPECT_NE(std::string(text).find(named), std::string::npos) << text;
}

// The 48000 Hz run: what the peer saw in each cycle.
struct ClockSample {
  std::int64_t serverFrames;
  std::int64_t switches;
};
std::vector<ClockSample> clockSamples;
std::atomic<std::size_t> clockCount{0};
std::atomic<TestHost*> clockHost{nullptr};

void onPeerCycle(std::int64_t frames) {
  const std::size_t n = clockCount.load(std::memory_order_relaxed);
  TestHost* host = clockHost.load();
  if (n < clockSamples.size() && host != nullptr) {
    clockSamples[n] = {frames, host->switches.load(std::memory_order_acquire)};
    clockCount.store(n + 1, std::memory_order_release);
  }
}

TEST(JackDriver48000, ToneKeepsPitchLevelAndContinuityAndFollowsTheServersClock) {
  PrivateJackServer server(48000, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  DriverRef driver(jacktest::createDriver({{"autoconnect", "no"}}));
  ASSERT_NE(driver.get(), nullptr);
  TestHost host;
  std::string error;
  std::int32_t inLatency = 0, outLatency = 0;
  ASSERT_TRUE(host.setUp(driver.get(), error, inLatency, outLatency)) << error;
  double rate = 0;
  ASSERT_EQ(driver->getSampleRate(&rate), 0);
  EXPECT_EQ(rate, 44100.0) << "the track rate is presented whatever the server runs at";
  EXPECT_EQ(host.frames, 470) << "a host buffer lasts one server period";

  // 8 s of server time: long enough to see a buffer of drift, short enough
  // for the test suite (the minute-long run is bench/jack).
  const double seconds = 8.0;
  const auto frames = static_cast<std::int64_t>(seconds * 44100);
  const double amplitude = 16000.0;
  host.play[0] = testsignals::sine(1000.0, frames, amplitude);
  host.play[1] = testsignals::sine(1000.0, frames, amplitude);
  host.record(static_cast<std::size_t>(frames));
  clockSamples.assign(2000, {});
  clockCount = 0;
  clockHost = &host;

  JackPeer peer(onPeerCycle);
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(driver->start(), drivers::DRIVER_OK);
  ASSERT_TRUE(peer.connect("Cantora:out_1", "Cantora:in_1"));
  ASSERT_TRUE(peer.connect("Cantora:out_2", "Cantora:in_2"));
  ASSERT_TRUE(peer.connect("Cantora:out_1", std::string(JackPeer::PEER_NAME) + ":in"));
  EXPECT_TRUE(waitFor([&] { return host.switches.load() * host.frames >= frames; }, 20s));
  ASSERT_EQ(driver->stop(), drivers::DRIVER_OK);
  clockHost = nullptr;
  EXPECT_EQ(host.halfErrors.load(), 0);

  // Pitch, level and continuity of what came back, over 1 s .. 7 s.
  std::vector<double> x(host.recorded[0].size());
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = host.recorded[0][i] / 65536.0;
  const jacktest::ToneReport tone = jacktest::analyseTone(x, 44100.0, 1000.0, 44100, 7 * 44100);
  const double levelDb = 20.0 * std::log10(tone.amplitude / amplitude);
  EXPECT_LT(std::fabs(tone.cents), 1.0) << tone.hz << " Hz";
  EXPECT_LT(std::fabs(levelDb), 0.1);
  EXPECT_LT(tone.worstPhase, 0.01) << "the phase jumped: a buffer was dropped or repeated";
  EXPECT_LT(tone.worstResidual, 0.001);

  // The host's frames against the server's: after the start, the host runs
  // exactly 44100/48000 of the server's frames. Each sample may be off by a
  // buffer or a cycle, more on a loaded machine, so the clocks are compared by
  // the median offset early in the run against the median late in it: a clock
  // that runs fast or slow moves it, scheduling jitter does not.
  const std::size_t n = clockCount.load(std::memory_order_acquire);
  ASSERT_GT(n, 500u);
  const auto offset = [&](std::size_t i) {
    return static_cast<double>(clockSamples[i].switches * host.frames) -
           static_cast<double>(clockSamples[i].serverFrames) * 44100.0 / 48000.0;
  };
  const auto medianOffset = [&](std::size_t from, std::size_t to) {
    std::vector<double> d;
    for (std::size_t i = from; i < to; ++i) d.push_back(offset(i));
    std::nth_element(d.begin(), d.begin() + static_cast<long>(d.size() / 2), d.end());
    return d[d.size() / 2];
  };
  const double drift = medianOffset(n - 200, n) - medianOffset(100, 300);
  EXPECT_LE(std::fabs(drift), host.frames) << "the host's clock moved against the server's";
  std::printf(
      "48000 Hz: %.4f Hz (%.4f cents), level %.4f dB, worst phase %.5f rad, drift %.1f "
      "frames; reported latency in %d + out %d\n",
      tone.hz, tone.cents, levelDb, tone.worstPhase, drift, inLatency, outLatency);

  // Told to, the driver shows the server's own rate and period instead.
  DriverRef native(jacktest::createDriver({{"samplerate", "server"}, {"autoconnect", "no"}}));
  ASSERT_NE(native.get(), nullptr);
  ASSERT_EQ(native->init(nullptr), drivers::DRIVER_TRUE);
  ASSERT_EQ(native->getSampleRate(&rate), 0);
  EXPECT_EQ(rate, 48000.0);
  std::int32_t minimum = 0, maximum = 0, preferred = 0, granularity = 0;
  ASSERT_EQ(native->getBufferSize(&minimum, &maximum, &preferred, &granularity), 0);
  EXPECT_EQ(preferred, 512);
}

// A switch the test holds inside the host's callback until it lets go.
std::atomic<bool> holdSwitch{false};
std::atomic<bool> insideSwitch{false};
void holdingSwitch(std::int32_t half, std::int32_t direct) {
  TestHost::bufferSwitch(half, direct);
  if (!holdSwitch.load()) return;
  insideSwitch = true;
  while (holdSwitch.load()) std::this_thread::sleep_for(1ms);
  insideSwitch = false;
}

// While a cycle is inside the host's switch, stop fails and the buffers the
// cycle goes on to read stay; once it has left, stop and dispose succeed.
TEST(JackDriverStop, FailsWhileASwitchIsStillInsideAndFreesNothingUnderIt) {
  PrivateJackServer server(44100, 256);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  DriverRef driver(jacktest::createDriver({{"autoconnect", "no"}}));
  ASSERT_NE(driver.get(), nullptr);
  TestHost host;
  host.callbacks.bufferSwitch = holdingSwitch;
  std::string error;
  std::int32_t inLatency = 0, outLatency = 0;
  ASSERT_TRUE(host.setUp(driver.get(), error, inLatency, outLatency)) << error;
  ASSERT_EQ(driver->start(), drivers::DRIVER_OK);
  ASSERT_TRUE(waitFor([&] { return host.switches.load() >= 5; }, 10s));
  holdSwitch = true;
  ASSERT_TRUE(waitFor([&] { return insideSwitch.load(); }, 10s));
  EXPECT_NE(driver->stop(), drivers::DRIVER_OK);
  EXPECT_NE(driver->disposeBuffers(), drivers::DRIVER_OK);
  // the cycle goes on into the driver's output halves
  holdSwitch = false;
  EXPECT_TRUE(waitFor([&] { return !insideSwitch.load(); }, 10s));
  // A failed stop may be tried again; on a loaded machine the server can take
  // a while to run its cycles again after the long one.
  EXPECT_TRUE(waitFor([&] { return driver->stop() == drivers::DRIVER_OK; }, 10s));
  EXPECT_EQ(driver->disposeBuffers(), drivers::DRIVER_OK);
}

}  // namespace
