// The buffer switch on a driver's own thread, as a real driver runs it, while
// the application's thread opens, primes, starts, pauses, resumes, stops and
// closes a stream: the switch thread may neither allocate nor make a call that
// can wait for another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "host/fake_driver.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/switch_guard.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int> outputs{0};
std::atomic<int> inputs{0};

std::int32_t fill(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  for (std::uint32_t i = 0; i < bytesPerChannel; ++i) block[i] = static_cast<std::int16_t>(i);
  outputs.fetch_add(1);
  return 0;
}

std::int32_t take(std::int16_t*, std::uint32_t, std::uint32_t) {
  inputs.fetch_add(1);
  return 0;
}

bool waitFor(const std::atomic<int>& counter, int atLeast) {
  const auto limit = std::chrono::steady_clock::now() + 10s;
  while (counter.load() < atLeast) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(SwitchThread, NeitherAllocatesNorWaitsFromStreamStartToShutdown) {
  hosttest::FakeDriver driver;
  driver.preferred = 64;
  driver.switchPeriod = 100us;
  driver.onSwitchThread = hosttest::guardThisThread;
  ASSERT_TRUE(host::initHostWithDriver(nullptr, &driver));
  // attaching the port starts the driver: switches run from here on
  ASSERT_EQ(HostkitStart(1, 6), 1);
  const StreamConfig config{0, 128, fill, take, 0, 0, 0};
  ASSERT_TRUE(StreamOpen(&config));
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    ASSERT_TRUE(StreamPrime(0));
    ASSERT_TRUE(StreamStart(0));
    EXPECT_TRUE(waitFor(inputs, inputs.load() + 40));
    StreamPause(0);
    std::this_thread::sleep_for(5ms);
    StreamResume(0);
    EXPECT_TRUE(waitFor(inputs, inputs.load() + 40));
    if (run == 1) StreamPause(0);  // stopping a paused stream works too
    StreamStop(0);
    const int outputsAtStop = outputs.load(), inputsAtStop = inputs.load();
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(outputs.load(), outputsAtStop) << "a callback after StreamStop";
    EXPECT_EQ(inputs.load(), inputsAtStop) << "a callback after StreamStop";
  }
  StreamClose(0);
  HostkitShutdown();
  host::resetHostForTesting();

  const hosttest::GuardCounts counts = hosttest::guardCounts();
  EXPECT_GT(driver.threadSwitches.load(), 200);
  EXPECT_EQ(counts.allocations, 0u) << "last: " << counts.lastCall;
  EXPECT_EQ(counts.blockingCalls, 0u) << "last: " << counts.lastCall;
}

}  // namespace
