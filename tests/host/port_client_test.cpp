// The delivery thread against a switch that uses up the next header the
// moment the previous one has been handed back: every used-up header must
// reach the handler without waiting for a later switch.
#include "host/port_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "host/host_constants.h"
#include "host/host_port.h"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t FRAMES = 16;  // one driver buffer uses up a header

struct Delivery {
  HostPort* port = nullptr;
  std::atomic<std::uint64_t> handed{0};
};

void handBack(std::uint32_t, std::uint32_t message, void* instance, BufferHeader* header,
              std::uintptr_t) {
  auto& delivery = *static_cast<Delivery*>(instance);
  ASSERT_EQ(message, OUTPUT_DONE);
  delivery.port->submitOutputHeader(header);
  delivery.handed.fetch_add(1, std::memory_order_release);
}

TEST(PortClient, AHeaderUsedUpWhileTheWalkEndsIsStillHandedBack) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 1, FORMAT_INT16);  // one mono output
  std::vector<std::int16_t> blocks(2 * FRAMES);
  BufferHeader headers[2];
  for (int i = 0; i < 2; ++i) {
    headers[i].data = reinterpret_cast<char*>(blocks.data() + i * FRAMES);
    headers[i].length = 2 * FRAMES;
    ASSERT_TRUE(port.addOutputHeader(&headers[i]));
    ASSERT_EQ(port.submitOutputHeader(&headers[i]), MMSYSERR_NOERROR);
  }
  Delivery delivery;
  delivery.port = &port;
  PortClientSetup setup;
  setup.event = &event;
  setup.outputInstance = &delivery;
  setup.outputHandler = handBack;
  setup.outputHead = port.outputRingHead();
  PortClient client(setup);
  ASSERT_TRUE(client.start());

  std::vector<std::int16_t> half(FRAMES);
  const TransferSet transfer{half.data(), nullptr, nullptr, nullptr};
  // Each switch follows the previous hand-back at once, racing the end of the
  // walk that made it; a lost wake-up leaves the header waiting for ever.
  std::uint64_t switches = 0;
  std::uint64_t lost = 0;
  const auto end = Clock::now() + std::chrono::seconds(2);
  while (Clock::now() < end && lost == 0) {
    port.process(transfer);
    ++switches;
    const auto limit = Clock::now() + std::chrono::seconds(1);
    while (delivery.handed.load(std::memory_order_acquire) < switches) {
      if (Clock::now() > limit) {
        ++lost;
        break;
      }
    }
  }
  client.stop();
  EXPECT_EQ(lost, 0u) << "a header waited more than 1 s after " << switches << " switches";
  EXPECT_GT(switches, 1000u);
}

}  // namespace
}  // namespace host
