// The host and the virtual device through a long run of transport at fast
// pacing: streams started, paused, resumed and stopped at random (seeded)
// moments while the loopback input checks that what comes back is what was
// played. Nothing may hang, no callback may run after Stop returns, and the
// memory the process holds must not grow with the length of the run.
//
// CANTORA_SOAK_SECONDS sets how much audio the run moves (default: a few
// seconds' worth, as `make test` runs it; `make soak` runs it for hours' worth).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/test_catalogue.h"
#include "soak/soak_support.h"

// AddressSanitizer keeps freed memory aside (256 MB of it) to catch late
// uses; that would read as growth here, so the soak keeps only a little.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=1";
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t RATE = 48000;
constexpr std::int32_t FRAMES_PER_HEADER = 1024;

// The loopback exchange without memory of the run: the output plays a
// counting sequence that is never zero, the input checks that each nonzero
// sample that comes back continues the sequence it came back in.
struct Counters {
  std::uint32_t nextOut = 0;
  std::int16_t lastIn = 0;
  // The device's loopback line still holds what was played before the last
  // Stop, so a run's input may start with that tail: one jump per run.
  int jumpsThisRun = 0;
  std::atomic<std::uint64_t> framesIn{0};
  std::atomic<int> outputCalls{0};
  std::atomic<int> inputCalls{0};
  std::atomic<std::uint64_t> broken{0};
};
Counters counters;

std::int16_t sampleAt(std::uint32_t n) {
  return static_cast<std::int16_t>(1 + n % 30000);
}

std::int32_t send(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  const std::uint32_t frames = bytesPerChannel / 2;
  for (std::uint32_t i = 0; i < frames; ++i, ++counters.nextOut) {
    block[i] = sampleAt(counters.nextOut);
    block[frames + i] = static_cast<std::int16_t>(-block[i]);
  }
  counters.outputCalls.fetch_add(1);
  return 0;
}

std::int32_t receive(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  const std::uint32_t frames = bytesPerChannel / 2;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const std::int16_t left = block[i];
    const std::int16_t right = block[frames + i];
    if (left != static_cast<std::int16_t>(-right)) counters.broken.fetch_add(1);
    // Silence comes back between runs; inside a run the sequence counts on
    // (wrapping from 30000 to 1).
    if (left != 0 && counters.lastIn != 0 && left != counters.lastIn % 30000 + 1 &&
        ++counters.jumpsThisRun > 1)
      counters.broken.fetch_add(1);
    counters.lastIn = left;
  }
  counters.framesIn.fetch_add(frames);
  counters.inputCalls.fetch_add(1);
  return 0;
}

bool waitFor(const std::atomic<int>& calls, int target) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (calls.load() < target)
    if (Clock::now() > deadline)
      return false;
    else
      std::this_thread::sleep_for(std::chrono::microseconds(200));
  return true;
}

TEST(HostSoak, RandomTransportAtFastPacingNeitherHangsNorLosesNorGrows) {
  const double audioSeconds = soaktest::soakSeconds(20);
  hosttest::TempFolder folder;
  hosttest::ScopedEnv catalogue{
      "CANTORA_DRIVER_CATALOGUE",
      folder
          .write("drivers.ini", hosttest::virtualCatalogue("samplerate = 48000\nbuffersize = 256\n"
                                                           "input = loopback\npacing = fast\n"
                                                           "speed = 8\n"))
          .c_str()};
  ASSERT_TRUE(HostkitInit(nullptr, 0));
  ASSERT_EQ(HostkitStart(1, 6), 1);
  const StreamConfig config{0, FRAMES_PER_HEADER, send, receive, 0, 0, 0};
  ASSERT_TRUE(StreamOpen(&config));

  std::mt19937 random(20261207);
  const auto targetFrames = static_cast<std::uint64_t>(audioSeconds * RATE);
  long settledKiB = 0;
  int runs = 0;
  while (counters.framesIn.load() < targetFrames) {
    SCOPED_TRACE(runs);
    counters.lastIn = 0;
    counters.jumpsThisRun = 0;
    ASSERT_TRUE(StreamPrime(0));
    ASSERT_TRUE(StreamStart(0));
    // A run of 1 to 40 headers, with a pause somewhere in half of them.
    const int length = 1 + static_cast<int>(random() % 40);
    const bool pauses = random() % 2 == 0;
    ASSERT_TRUE(waitFor(counters.inputCalls, counters.inputCalls.load() + length / 2 + 1));
    if (pauses) {
      StreamPause(0);
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
      StreamResume(0);
    }
    ASSERT_TRUE(waitFor(counters.inputCalls, counters.inputCalls.load() + length / 2));
    if (random() % 4 == 0) StreamPause(0);  // stopping a paused stream
    StreamStop(0);
    const int outputs = counters.outputCalls.load();
    const int inputs = counters.inputCalls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(counters.outputCalls.load(), outputs);
    ASSERT_EQ(counters.inputCalls.load(), inputs);
    if (++runs == 20) settledKiB = soaktest::residentBytes() / 1024;
  }
  StreamClose(0);
  HostkitShutdown();
  host::resetHostForTesting();

  EXPECT_EQ(counters.broken.load(), 0u);
  if (settledKiB > 0) {
    EXPECT_LT(soaktest::residentBytes() / 1024 - settledKiB, 16 * 1024);
  }
  std::printf(
      "%d runs, %.0f s of audio, %llu blocks in, resident %ld KiB after 20 runs, %ld at the end\n",
      runs, static_cast<double>(counters.framesIn.load()) / RATE,
      static_cast<unsigned long long>(counters.inputCalls.load()), settledKiB,
      soaktest::residentBytes() / 1024);
}

}  // namespace
