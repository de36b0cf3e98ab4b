#include "host/device_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "host/fake_driver.h"
#include "host/host_constants.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"

namespace host {
namespace {

using hosttest::FakeDriver;

class DeviceLayer : public ::testing::Test {
 protected:
  FakeDriver driver;
  std::int32_t start(std::int32_t ports, HostMode mode) {
    if (!initHostWithDriver(nullptr, &driver)) return -1;
    return HostkitStart(ports, mode);
  }
  void TearDown() override { resetHostForTesting(); }
  // a header of 256 frames: one driver buffer
  std::int16_t block[2 * 256] = {};
  BufferHeader header;
  void SetUp() override {
    header.data = reinterpret_cast<char*>(block);
    header.length = 2 * 256;
  }
};

TEST_F(DeviceLayer, RefusesDirectionsAndIdsTheLayoutDoesNotHave) {
  ASSERT_EQ(start(1, 5), 1);  // stereo, input only
  EXPECT_EQ(OutPrepare(hostState(), 100, &header), MMSYSERR_NODRIVER);
  EXPECT_EQ(OutSubmit(hostState(), 100, &header), MMSYSERR_NODRIVER);
  EXPECT_EQ(OutClose(hostState(), 100), MMSYSERR_NODRIVER);
  EXPECT_EQ(InPrepare(hostState(), 101, &header), MMSYSERR_NODRIVER);  // stereo has one device
  EXPECT_EQ(InPrepare(hostState(), 100, nullptr), MMSYSERR_NOMEM);
  EXPECT_EQ(InSubmit(hostState(), 101, &header), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(InSubmit(hostState(), 100, &header), WAVERR_UNPREPARED);
  EXPECT_EQ(InPrepare(hostState(), 100, &header), MMSYSERR_NOERROR);
  EXPECT_EQ(InClose(hostState(), 100), MMSYSERR_NOERROR);
  EXPECT_EQ(header.state(), HEADER_UNLINKED);
}

TEST_F(DeviceLayer, MonoOutputWithOnePortCallsTheSecondIdBad) {
  driver.outputs = 1;
  ASSERT_EQ(start(2, 1), 1);
  EXPECT_EQ(OutPrepare(hostState(), 101, &header), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(OutPrepare(hostState(), 102, &header), MMSYSERR_NODRIVER);
  EXPECT_EQ(OutClose(hostState(), 102), MMSYSERR_NODRIVER);
  EXPECT_EQ(OutSubmit(hostState(), 102, &header), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(InPrepare(hostState(), 100, &header), MMSYSERR_NODRIVER);
  EXPECT_EQ(InClose(hostState(), 100), MMSYSERR_NODRIVER);
  EXPECT_EQ(OutPrepare(hostState(), 100, &header), MMSYSERR_NOERROR);
}

TEST_F(DeviceLayer, UnpreparingASubmittedHeaderLeavesItLinked) {
  ASSERT_EQ(start(1, 4), 1);
  BufferHeader second;
  second.data = header.data;
  second.length = header.length;
  ASSERT_EQ(OutPrepare(hostState(), 100, &header), MMSYSERR_NOERROR);
  ASSERT_EQ(OutPrepare(hostState(), 100, &second), MMSYSERR_NOERROR);
  ASSERT_EQ(OutSubmit(hostState(), 100, &header), MMSYSERR_NOERROR);
  EXPECT_EQ(OutUnprepare(hostState(), 100, &header), WAVERR_STILLPLAYING);
  EXPECT_EQ(hostState().ports[0]->outputRingHead(), &header);
  EXPECT_EQ(OutUnprepare(hostState(), 100, &second), MMSYSERR_NOERROR);
  EXPECT_EQ(header.next, nullptr);
  EXPECT_EQ(OutUnprepare(hostState(), 100, nullptr), MMSYSERR_NOMEM);
}

std::atomic<int> handled{0};
void countHandler(std::uint32_t, std::uint32_t, void*, BufferHeader* h, std::uintptr_t) {
  handled.fetch_add(1);
  h->setState(HEADER_SUBMITTED);
}

TEST_F(DeviceLayer, PortOpenRefusesARunningOrPausedPortAndKeepsItsClient) {
  ASSERT_EQ(start(1, 4), 1);
  ASSERT_EQ(OutPrepare(hostState(), 100, &header), MMSYSERR_NOERROR);
  ASSERT_TRUE(PortOpen(hostState(), 0, countHandler, nullptr));
  PortClient* client = hostState().clients[0].get();
  ASSERT_NE(client, nullptr);
  EXPECT_FALSE(PortOpen(hostState(), 0, countHandler, nullptr));
  EXPECT_EQ(hostState().clients[0].get(), client);
  EXPECT_TRUE(client->running());
  hostState().ports[0]->stop();
  hostState().paused[0] = true;
  EXPECT_FALSE(PortOpen(hostState(), 0, countHandler, nullptr));
  EXPECT_EQ(hostState().clients[0].get(), client);
  EXPECT_FALSE(PortOpen(hostState(), 1, countHandler, nullptr));
  EXPECT_EQ(OutClose(hostState(), 100), MMSYSERR_NOERROR);
  EXPECT_EQ(hostState().clients[0], nullptr);
  EXPECT_FALSE(hostState().paused[0]);
}

std::atomic<bool> handlerEntered{false};
std::atomic<bool> releaseHandler{false};
std::atomic<bool> handlerFinished{false};
void slowHandler(std::uint32_t, std::uint32_t message, void*, BufferHeader*, std::uintptr_t) {
  EXPECT_EQ(message, OUTPUT_DONE);
  handlerEntered = true;
  while (!releaseHandler) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  handlerFinished = true;
}

TEST_F(DeviceLayer, ClosingDuringDeliveryReturnsAfterTheDeliveryThreadEnded) {
  ASSERT_EQ(start(1, 4), 1);
  ASSERT_EQ(OutPrepare(hostState(), 100, &header), MMSYSERR_NOERROR);
  ASSERT_EQ(OutSubmit(hostState(), 100, &header), MMSYSERR_NOERROR);
  ASSERT_TRUE(PortOpen(hostState(), 0, slowHandler, nullptr));
  driver.bufferSwitch(0);  // uses the header up and signals the port
  while (!handlerEntered) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  std::atomic<bool> closed{false};
  bool finishedWhenClosed = false;
  std::thread closer([&] {
    EXPECT_EQ(OutClose(hostState(), 100), MMSYSERR_NOERROR);
    finishedWhenClosed = handlerFinished;
    closed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(closed);
  releaseHandler = true;
  closer.join();
  EXPECT_TRUE(finishedWhenClosed);
  EXPECT_EQ(header.state(), HEADER_UNLINKED);
}

}  // namespace
}  // namespace host
