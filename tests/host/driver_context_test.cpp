#include "host/driver_context.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

#include "host/fake_driver.h"
#include "host/host_constants.h"

namespace host {
namespace {

using hosttest::FakeDriver;

class DriverContextTest : public ::testing::Test {
 protected:
  FakeDriver driver;
  DriverContext context;
};

TEST_F(DriverContextTest, RefusesAFloatingPointOutputTypeAndKeepsTheDriversErrorText) {
  driver.type = 19;  // a type that is no 16-, 24- or 32-bit integer
  EXPECT_FALSE(context.create(nullptr, &driver));
  EXPECT_FALSE(context.initialised());
  FakeDriver failing;
  failing.initOk = false;
  DriverContext other;
  EXPECT_FALSE(other.create(nullptr, &failing));
  EXPECT_STREQ(other.errorText(), "no such hardware");
}

TEST_F(DriverContextTest, CountsOnlyOutputsInTheFirstChannelsGroup) {
  driver.outputs = 4;
  driver.groups = {0, 0, 1, 1};
  ASSERT_TRUE(context.create(nullptr, &driver));
  EXPECT_EQ(context.channelCount(), 2);
  EXPECT_EQ(context.sampleFormat(), FORMAT_INT16);
  EXPECT_EQ(context.sampleRate(), 44100);  // rounded down
}

TEST_F(DriverContextTest, DuplexCutsOutputsToTheInputCountAndInputOnlyRecordsAreInputs) {
  driver.inputs = 1;
  ASSERT_TRUE(context.create(nullptr, &driver));
  ASSERT_TRUE(context.createBuffers(2, 3));
  EXPECT_EQ(context.channelCount(), 1);
  ASSERT_EQ(driver.buffers.size(), 2u);
  EXPECT_EQ(driver.buffers[0].isInput, 0);
  EXPECT_EQ(driver.buffers[1].isInput, 1);

  FakeDriver stereo;
  DriverContext inputOnly;
  ASSERT_TRUE(inputOnly.create(nullptr, &stereo));
  ASSERT_TRUE(inputOnly.createBuffers(1, 5));
  ASSERT_EQ(stereo.buffers.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(stereo.buffers[i].isInput, 1);
    EXPECT_EQ(stereo.buffers[i].channelNum, i);
  }
}

TEST(DriverContextBuffers, FailsOnAnInactiveBufferOrAForeignType) {
  for (int variant = 0; variant < 2; ++variant) {
    FakeDriver driver;
    if (variant == 0) driver.inactiveChannel = 1;
    if (variant == 1) driver.bufferType = drivers::SAMPLE_TYPE_INT32_LSB;
    DriverContext context;
    ASSERT_TRUE(context.create(nullptr, &driver));
    EXPECT_FALSE(context.createBuffers(1, 6)) << variant;
  }
}

TEST_F(DriverContextTest, AStoppedPortIsZeroedOnThreeSwitchesOnly) {
  driver.preferred = 4;
  ASSERT_TRUE(context.create(nullptr, &driver));
  ASSERT_TRUE(context.createBuffers(1, 6));
  platform::Event event;
  HostPort* port = context.attachPort(0, &event);
  ASSERT_NE(port, nullptr);
  // duplex hands back the port already attached for the index
  EXPECT_EQ(context.attachPort(0, &event), port);
  const auto fill = [&](std::int16_t v) {
    for (int r = 0; r < 2; ++r) {
      for (int i = 0; i < 4; ++i) driver.half16(r, 0)[i] = v;
    }
  };
  for (int sw = 0; sw < 5; ++sw) {
    fill(77);
    driver.bufferSwitch(0);
    const std::int16_t expected = sw < 3 ? 0 : 77;
    EXPECT_EQ(driver.half16(0, 0)[0], expected) << "switch " << sw;
    EXPECT_EQ(driver.half16(1, 0)[3], expected) << "switch " << sw;
  }
  // the inputs are never touched by the idle zeroing
  EXPECT_EQ(driver.half16(2, 0)[0], 0);
  EXPECT_EQ(driver.outputReadyCalls, 6);  // once at creation, once per switch
  port->start();
  port->stop();  // a new stop earns three more zeroing switches
  fill(77);
  driver.bufferSwitch(0);
  EXPECT_EQ(driver.half16(0, 0)[0], 0);
}

TEST_F(DriverContextTest, DetachCompactsTheTable) {
  driver.preferred = 4;
  ASSERT_TRUE(context.create(nullptr, &driver));
  ASSERT_TRUE(context.createBuffers(2, 1));
  platform::Event e0, e1;
  HostPort* p0 = context.attachPort(0, &e0);
  HostPort* p1 = context.attachPort(1, &e1);
  ASSERT_NE(p0, nullptr);
  ASSERT_NE(p1, nullptr);
  context.detachPort(p0);
  EXPECT_EQ(context.engine()->attachedPorts, 1);
  EXPECT_EQ(context.engine()->ports[0], p1);
  EXPECT_EQ(context.engine()->ports[1], nullptr);
}

std::atomic<int> resets{0};
void countReset(void*) {
  resets.fetch_add(1);
}

TEST_F(DriverContextTest, AnswersTheSelectorTable) {
  ASSERT_TRUE(context.create(nullptr, &driver));
  EXPECT_EQ(engineAsioMessage(drivers::MESSAGE_SELECTOR_SUPPORTED, 7, nullptr, nullptr), 1);
  EXPECT_EQ(engineAsioMessage(drivers::MESSAGE_SUPPORTS_TIME_INFO, 0, nullptr, nullptr), 0);
  for (int value = 0; value <= 11; ++value) {
    const bool supported = value >= 2 && value != 4 && value != 9 && value != 11;
    EXPECT_EQ(engineAsioMessage(1, value, nullptr, nullptr), supported ? 1 : 0) << value;
  }
  const std::pair<std::int32_t, std::int32_t> answers[] = {{drivers::MESSAGE_ENGINE_VERSION, 2},
                                                           {drivers::MESSAGE_BUFFER_SIZE_CHANGE, 0},
                                                           {drivers::MESSAGE_RESYNC_REQUEST, 1},
                                                           {drivers::MESSAGE_LATENCIES_CHANGED, 1},
                                                           {0, 0},
                                                           {9, 0}};
  for (const auto& [selector, answer] : answers) {
    EXPECT_EQ(engineAsioMessage(selector, 0, nullptr, nullptr), answer) << selector;
  }

  setDriverResetHandler(countReset);
  resets = 0;
  EXPECT_EQ(engineAsioMessage(drivers::MESSAGE_RESET_REQUEST, 0, nullptr, nullptr), 1);
  EXPECT_EQ(resets.load(), 1);
  setDriverResetHandler(nullptr);
}

TEST_F(DriverContextTest, ADriverThatFailsToStopKeepsItsBuffersAndTheEngine) {
  driver.preferred = 4;
  ASSERT_TRUE(context.create(nullptr, &driver));
  ASSERT_TRUE(context.createBuffers(1, 6));
  platform::Event event;
  ASSERT_NE(context.attachPort(0, &event), nullptr);
  const EngineState* engine = context.engine();
  driver.stopResult = drivers::DRIVER_HW_MALFUNCTION;  // a switch is still inside
  context.destroy();
  EXPECT_EQ(driver.calls.back(), "stop") << "the buffers were disposed under the switch";
  // what a switch that is still running reads stays readable
  EXPECT_EQ(engine->bufferCount, 4);
  EXPECT_EQ(engine->bufferInfos[0].buffers[0], driver.buffers[0].buffers[0]);
  driver.bufferSwitch(1);  // a late switch finds no engine
}

std::atomic<bool> contextAlive{false};
std::atomic<int> lateResets{0};
int theWindow = 0;
void checkReset(void* window) {
  if (!contextAlive.load() || window != &theWindow) lateResets.fetch_add(1);
}

TEST(DriverContextMessages, AResetRequestRacingDestroyNeverOutlivesTheEngine) {
  setDriverResetHandler(checkReset);
  lateResets = 0;
  std::atomic<bool> done{false};
  std::atomic<long> requests{0};
  std::thread notifier([&] {
    // a driver's notification thread asking for resets all the time
    while (!done.load()) {
      engineAsioMessage(drivers::MESSAGE_RESET_REQUEST, 0, nullptr, nullptr);
      requests.fetch_add(1);
    }
  });
  // the race needs the notifier running: a new thread may start late (Wine)
  while (requests.load() == 0) std::this_thread::yield();
  FakeDriver driver;
  for (int i = 0; i < 2000; ++i) {
    contextAlive = true;
    {
      DriverContext context;
      ASSERT_TRUE(context.create(&theWindow, &driver));
      std::this_thread::yield();
      context.destroy();
    }
    contextAlive = false;
    std::this_thread::yield();
  }
  done = true;
  notifier.join();
  setDriverResetHandler(nullptr);
  EXPECT_GT(requests.load(), 0);
  EXPECT_EQ(lateResets.load(), 0) << "the handler ran without a live engine";
}

}  // namespace
}  // namespace host
