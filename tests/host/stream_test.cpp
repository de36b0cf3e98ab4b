#include "host/stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "host/fake_driver.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"

namespace host {
namespace {

using hosttest::FakeDriver;

std::atomic<int> outputCalls{0};
std::atomic<int> inputCalls{0};
std::atomic<std::uint32_t> lastCount{0};
std::thread::id primingThread;
std::atomic<bool> calledOffThread{false};

std::int32_t onOutput(std::int16_t* block, std::uint32_t count, std::uint32_t user) {
  const int n = outputCalls.fetch_add(1);
  lastCount = count;
  EXPECT_EQ(user, 7u);
  if (std::this_thread::get_id() != primingThread) calledOffThread = true;
  // left: the call number, right: its negation
  for (std::uint32_t i = 0; i < count / 2; ++i) {
    block[i] = static_cast<std::int16_t>(n);
    block[count / 2 + i] = static_cast<std::int16_t>(-n);
  }
  return 0;
}

std::int32_t onInput(std::int16_t*, std::uint32_t, std::uint32_t) {
  inputCalls.fetch_add(1);
  return 0;
}

class Streams : public ::testing::Test {
 protected:
  FakeDriver driver;
  void SetUp() override {
    outputCalls = 0;
    inputCalls = 0;
    calledOffThread = false;
    primingThread = std::this_thread::get_id();
    driver.preferred = 256;
    ASSERT_TRUE(initHostWithDriver(nullptr, &driver));
    ASSERT_EQ(HostkitStart(1, 6), 1);
  }
  void TearDown() override { resetHostForTesting(); }
  static StreamConfig config(std::int32_t frames) {
    return StreamConfig{0, frames, onOutput, onInput, 7, 0, 0};
  }
};

TEST_F(Streams, FramesPerHeaderMustBeAWholeMultipleOfAtLeastTwoDriverBuffers) {
  for (std::int32_t refused : {256, 600, 0, -512}) {
    const StreamConfig c = config(refused);
    EXPECT_FALSE(StreamOpen(&c)) << refused;
    EXPECT_EQ(streamOf(0), nullptr);
  }
  for (std::int32_t accepted : {512, 1024}) {
    const StreamConfig c = config(accepted);
    EXPECT_TRUE(StreamOpen(&c)) << accepted;
    EXPECT_FALSE(StreamOpen(&c)) << "a port has one stream";
    StreamClose(0);
  }
  EXPECT_FALSE(StreamOpen(nullptr));
  StreamConfig wrongPort = config(512);
  wrongPort.port = 1;
  EXPECT_FALSE(StreamOpen(&wrongPort));
}

TEST_F(Streams, StereoDuplexHeadersArePlanarBlocksOfTwoChannels) {
  const StreamConfig c = config(1024);
  ASSERT_TRUE(StreamOpen(&c));
  Stream* stream = streamOf(0);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->output.headerBytes, 2048u);
  EXPECT_EQ(stream->output.blockBytes, 65536u);
  EXPECT_EQ(stream->input.blockBytes, 65536u);
  ASSERT_TRUE(StreamPrime(0));
  EXPECT_EQ(outputCalls.load(), 16);
  EXPECT_EQ(lastCount.load(), 2048u);
  EXPECT_EQ(stream->output.headers[1]->data - stream->output.headers[0]->data, 4096);
  EXPECT_EQ(stream->output.headers[15]->user, 15u);
  EXPECT_FALSE(calledOffThread);
  EXPECT_FALSE(StreamPrime(0)) << "already prepared";
}

TEST_F(Streams, StartTwiceOrWhilePausedFailsAndStopAllowsANewRun) {
  const StreamConfig c = config(512);
  ASSERT_TRUE(StreamOpen(&c));
  EXPECT_FALSE(StreamStart(0)) << "nothing prepared";
  ASSERT_TRUE(StreamPrime(0));
  ASSERT_TRUE(StreamStart(0));
  EXPECT_FALSE(StreamStart(0));
  StreamPause(0);
  EXPECT_FALSE(hostState().ports[0]->isRunning());
  EXPECT_FALSE(StreamStart(0));
  StreamResume(0);
  EXPECT_TRUE(hostState().ports[0]->isRunning());
  StreamPause(0);
  StreamStop(0);
  EXPECT_FALSE(hostState().paused[0]);
  EXPECT_EQ(hostState().ports[0]->outputRingHead(), nullptr);
  ASSERT_TRUE(StreamPrime(0));
  EXPECT_TRUE(StreamStart(0));
  StreamStop(0);
}

TEST_F(Streams, EachUsedUpHeaderIsRefilledOnceOnTheDeliveryThread) {
  const StreamConfig c = config(512);  // two driver buffers per header
  ASSERT_TRUE(StreamOpen(&c));
  ASSERT_TRUE(StreamPrime(0));
  ASSERT_TRUE(StreamStart(0));
  // header 0 was filled by call 0: left 0, right 0; header 1 by call 1
  for (int sw = 0; sw < 4; ++sw) driver.bufferSwitch(sw & 1);
  EXPECT_EQ(driver.half16(0, 1)[255], 1);
  EXPECT_EQ(driver.half16(1, 1)[0], -1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((outputCalls < 18 || inputCalls < 2) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  StreamStop(0);
  EXPECT_EQ(outputCalls.load(), 18);
  EXPECT_EQ(inputCalls.load(), 2);
  EXPECT_TRUE(calledOffThread);
  // nothing more once stopped
  for (int sw = 0; sw < 4; ++sw) driver.bufferSwitch(sw & 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(outputCalls.load(), 18);
  EXPECT_EQ(driver.half16(0, 1)[0], 0) << "a stopped port's outputs are silent";
}

TEST_F(Streams, ClosingAPrimedButUnstartedStreamLeavesNoHeaderInThePort) {
  const StreamConfig c = config(512);
  ASSERT_TRUE(StreamOpen(&c));
  ASSERT_TRUE(StreamPrime(0));
  StreamClose(0);
  EXPECT_EQ(streamOf(0), nullptr);
  EXPECT_EQ(hostState().ports[0]->outputRingHead(), nullptr);
  EXPECT_EQ(hostState().ports[0]->inputRingHead(), nullptr);
  // a new stream builds its rings from scratch
  ASSERT_TRUE(StreamOpen(&c));
  EXPECT_TRUE(StreamPrime(0));
}

}  // namespace
}  // namespace host
