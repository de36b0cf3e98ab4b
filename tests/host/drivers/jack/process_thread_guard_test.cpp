// The JACK process thread while the host plays and records through the JACK
// driver, straight at the server's rate and through the rate bridge, across
// stream start, pause, resume, stop and shutdown: it neither allocates nor
// makes a call that can wait, in the driver's, the bridge's or the host's
// code. The driver is linked into this test instead of loaded, so that the
// linker routes those calls through the switch guard's counters; the process
// thread is the one that asks JACK for the ports' buffers.
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "host/drivers/driver.h"
#include "host/drivers/jack/jack_server.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/loopback_exchange.h"
#include "host/switch_guard.h"

extern "C" std::int32_t CantoraDriverCreate(const drivers::ClassId*,
                                            const drivers::DriverSetting* settings,
                                            std::int32_t settingCount,
                                            drivers::AsioDriver** driver);

namespace {
std::atomic<long> bufferRequests{0};
}  // namespace

extern "C" void* __real_jack_port_get_buffer(jack_port_t* port, jack_nframes_t frames);
extern "C" void* __wrap_jack_port_get_buffer(jack_port_t* port, jack_nframes_t frames) {
  hosttest::guardThisThread();
  bufferRequests.fetch_add(1, std::memory_order_relaxed);
  return __real_jack_port_get_buffer(port, frames);
}

namespace {

using namespace std::chrono_literals;
using hosttest::Exchange;

bool waitForInputs(const Exchange& data, int count) {
  const auto limit = std::chrono::steady_clock::now() + 20s;
  while (data.inputCalls.load() < count) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

TEST(JackProcessThread, NeitherAllocatesNorWaitsDirectOrThroughTheRateBridge) {
  for (const int rate : {44100, 48000}) {
    SCOPED_TRACE(rate);
    jacktest::PrivateJackServer server(rate, 256);
    ASSERT_TRUE(server.ready()) << "jackd did not come up";
    const drivers::DriverSetting settings[] = {{"autoconnect", "no"}};
    drivers::AsioDriver* driver = nullptr;
    ASSERT_EQ(CantoraDriverCreate(nullptr, settings, 1, &driver), drivers::DRIVER_OK);
    Exchange data;
    Exchange::current() = &data;
    ASSERT_TRUE(host::initHostWithDriver(nullptr, driver));
    ASSERT_EQ(HostkitStart(1, 6), 1);
    const StreamConfig config{0, 4 * HostkitBufferSize(), Exchange::send, Exchange::receive, 0, 0,
                              0};
    ASSERT_TRUE(StreamOpen(&config) && StreamPrime(0) && StreamStart(0));
    EXPECT_TRUE(waitForInputs(data, 10));
    StreamPause(0);
    std::this_thread::sleep_for(50ms);
    StreamResume(0);
    EXPECT_TRUE(waitForInputs(data, 20));
    StreamStop(0);
    StreamClose(0);
    HostkitShutdown();
    host::resetHostForTesting();
    driver->release();
    Exchange::current() = nullptr;
  }
  const hosttest::GuardCounts counts = hosttest::guardCounts();
  EXPECT_GT(bufferRequests.load(), 100);
  EXPECT_EQ(counts.allocations, 0u) << "last: " << counts.lastCall;
  EXPECT_EQ(counts.blockingCalls, 0u) << "last: " << counts.lastCall;
}

}  // namespace
