#include "host/hostkit_testing.h"

#include <gtest/gtest.h>

#include "host/fake_driver.h"
#include "host/hostkit.h"

namespace host {
namespace {

using hosttest::FakeDriver;

class Hostkit : public ::testing::Test {
 protected:
  FakeDriver driver;
  void TearDown() override { resetHostForTesting(); }
};

TEST_F(Hostkit, StereoDuplexOnADriverWithOneInputHasNoPort) {
  driver.inputs = 1;
  ASSERT_TRUE(initHostWithDriver(nullptr, &driver));
  EXPECT_EQ(HostkitStart(1, 6), 0);
  EXPECT_EQ(HostkitChannelCount(), 1);
  EXPECT_EQ(hostState().portCount, 0);
}

TEST_F(Hostkit, MonoOutputOnFourOutputsGivesTwoPortsOfOneChannel) {
  driver.outputs = 4;
  ASSERT_TRUE(initHostWithDriver(nullptr, &driver));
  EXPECT_EQ(HostkitStart(3, 1), 2);
  EXPECT_EQ(HostkitChannelCount(), 2);
  ASSERT_EQ(driver.buffers.size(), 2u);
  EXPECT_NE(hostState().ports[0], hostState().ports[1]);
  EXPECT_EQ(hostState().ports[1]->index(), 1);
  // the layout is fixed for the run
  EXPECT_EQ(HostkitStart(1, 6), 0);
}

TEST_F(Hostkit, RefusesModesOutsideOneToSixAndAnUninitialisedHost) {
  EXPECT_EQ(HostkitStart(1, 6), 0);
  EXPECT_EQ(HostkitSampleRate(), 0);
  EXPECT_EQ(HostkitBufferSize(), 0);
  ASSERT_TRUE(initHostWithDriver(nullptr, &driver));
  EXPECT_EQ(HostkitStart(1, 0), 0);
  EXPECT_EQ(HostkitStart(1, 7), 0);
  EXPECT_EQ(driver.calls, std::vector<std::string>{"init"});
  EXPECT_EQ(HostkitStart(1, 6), 1);
  EXPECT_EQ(HostkitSampleRate(), 44100);
  EXPECT_EQ(HostkitBufferSize(), 256);
}

TEST_F(Hostkit, AFailedInitLeavesNoDriverAndAllowsAnotherTry) {
  driver.initOk = false;
  EXPECT_FALSE(initHostWithDriver(nullptr, &driver));
  EXPECT_EQ(hostState().openDriver, nullptr);
  EXPECT_EQ(hostState().openResult, 1);
  driver.initOk = true;
  EXPECT_TRUE(initHostWithDriver(nullptr, &driver));
  EXPECT_FALSE(initHostWithDriver(nullptr, &driver)) << "once per process";
}

TEST_F(Hostkit, ShutdownStopsTheDriverAndDisposesItsBuffers) {
  ASSERT_TRUE(initHostWithDriver(nullptr, &driver));
  ASSERT_EQ(HostkitStart(1, 6), 1);
  const StreamConfig config{0,
                            512,
                            [](std::int16_t*, std::uint32_t, std::uint32_t) { return 0; },
                            [](std::int16_t*, std::uint32_t, std::uint32_t) { return 0; },
                            0,
                            0,
                            0};
  ASSERT_TRUE(StreamOpen(&config));
  ASSERT_TRUE(StreamPrime(0));
  ASSERT_TRUE(StreamStart(0));
  HostkitShutdown();
  EXPECT_EQ(driver.calls,
            (std::vector<std::string>{"init", "createBuffers", "start", "stop", "disposeBuffers"}));
  EXPECT_EQ(HostkitChannelCount(), 0);
  EXPECT_FALSE(initHostWithDriver(nullptr, &driver));
}

}  // namespace
}  // namespace host
