#include "host/host_port.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/host_constants.h"

namespace host {
namespace {

constexpr std::uint32_t FRAMES = 4;  // per driver buffer
constexpr std::uint32_t HEADER_FRAMES = 8;

// A header with a planar stereo block of HEADER_FRAMES frames per channel.
struct TestHeader {
  std::vector<std::int16_t> samples = std::vector<std::int16_t>(2 * HEADER_FRAMES, 0);
  BufferHeader header;
  TestHeader() {
    header.data = reinterpret_cast<char*>(samples.data());
    header.length = HEADER_FRAMES * 2;
  }
};

struct DriverHalves {
  std::vector<std::int16_t> out1 = std::vector<std::int16_t>(FRAMES, 0x7777);
  std::vector<std::int16_t> out2 = std::vector<std::int16_t>(FRAMES, 0x7777);
  std::vector<std::int16_t> in1 = std::vector<std::int16_t>(FRAMES, 0);
  std::vector<std::int16_t> in2 = std::vector<std::int16_t>(FRAMES, 0);
  TransferSet stereoDuplex() { return {out1.data(), out2.data(), in1.data(), in2.data()}; }
};

TEST(HostPortRings, RefusesWhatIsNotThereOrQueuedAndLeavesTheRingAsItWas) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 4, FORMAT_INT16);
  TestHeader a, b, never;
  EXPECT_EQ(port.removeOutputHeader(&never.header), MMSYSERR_NOMEM);  // empty ring
  EXPECT_EQ(port.resetOutput(), MMSYSERR_NOMEM);
  EXPECT_FALSE(port.addOutputHeader(nullptr));
  ASSERT_TRUE(port.addOutputHeader(&a.header));
  ASSERT_TRUE(port.addOutputHeader(&b.header));
  EXPECT_FALSE(port.addOutputHeader(&a.header)) << "linked twice";
  EXPECT_EQ(b.header.next, nullptr);
  EXPECT_EQ(a.header.state(), HEADER_LINKED);
  EXPECT_EQ(port.submitOutputHeader(&never.header), WAVERR_UNPREPARED);
  EXPECT_EQ(port.submitOutputHeader(nullptr), MMSYSERR_NOMEM);
  EXPECT_EQ(port.submitOutputHeader(&b.header), MMSYSERR_NOERROR);
  EXPECT_EQ(port.removeOutputHeader(&b.header), WAVERR_STILLPLAYING);
  EXPECT_EQ(b.header.state(), HEADER_SUBMITTED);
  EXPECT_EQ(a.header.next, &b.header);
  EXPECT_EQ(port.outputRingHead(), &a.header);
}

TEST(HostPortRings, RemovingTheLastHeaderResetsTheWholePort) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 6, FORMAT_INT16);
  TestHeader out, in;
  port.setAttenuation(5);
  ASSERT_TRUE(port.addOutputHeader(&out.header));
  ASSERT_TRUE(port.addInputHeader(&in.header));
  EXPECT_EQ(port.removeOutputHeader(&out.header), MMSYSERR_NOERROR);
  EXPECT_EQ(out.header.state(), HEADER_UNLINKED);
  // the other direction's ring went with it, and the attenuation too
  EXPECT_EQ(port.inputRingHead(), nullptr);
  EXPECT_EQ(port.attenuation(), 0u);
  EXPECT_EQ(port.removeInputHeader(&in.header), MMSYSERR_NOMEM);
}

TEST(HostPortProcess, StereoDuplexMovesOneDriverBufferPerSwitchAndHandsHeadersBack) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 6, FORMAT_INT16);
  TestHeader out1, out2, in1, in2;
  for (std::uint32_t i = 0; i < HEADER_FRAMES; ++i) {
    out1.samples[i] = static_cast<std::int16_t>(100 + i);                  // left
    out1.samples[HEADER_FRAMES + i] = static_cast<std::int16_t>(200 + i);  // right
  }
  for (TestHeader* h : {&out1, &out2}) ASSERT_TRUE(port.addOutputHeader(&h->header));
  for (TestHeader* h : {&in1, &in2}) ASSERT_TRUE(port.addInputHeader(&h->header));
  for (TestHeader* h : {&out1, &out2}) port.submitOutputHeader(&h->header);
  for (TestHeader* h : {&in1, &in2}) port.submitInputHeader(&h->header);
  port.start();

  DriverHalves d;
  for (std::uint32_t i = 0; i < FRAMES; ++i) {
    d.in1[i] = static_cast<std::int16_t>(-1 - i);
    d.in2[i] = static_cast<std::int16_t>(-100 - i);
  }
  port.process(d.stereoDuplex());
  EXPECT_EQ(d.out1, (std::vector<std::int16_t>{100, 101, 102, 103}));
  EXPECT_EQ(d.out2, (std::vector<std::int16_t>{200, 201, 202, 203}));
  EXPECT_EQ(in1.samples[0], -1);
  EXPECT_EQ(in1.samples[HEADER_FRAMES], -100);
  EXPECT_FALSE(event.isSet());
  std::uint32_t position = 0;
  port.outputPosition(&position);
  EXPECT_EQ(position, FRAMES);

  port.process(d.stereoDuplex());
  EXPECT_EQ(d.out1[0], 104);
  EXPECT_EQ(in1.samples[FRAMES], -1);
  EXPECT_EQ(out1.header.state(), HEADER_USED_UP);
  EXPECT_EQ(in1.header.state(), HEADER_USED_UP);
  EXPECT_TRUE(event.isSet());
  port.outputPosition(&position);
  EXPECT_EQ(position, 0u);
}

TEST(HostPortProcess, DuplexWithOnlyTheOutputSubmittedZeroesAndMovesNothing) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 6, FORMAT_INT16);
  TestHeader out, in;
  out.samples.assign(out.samples.size(), 55);
  in.samples.assign(in.samples.size(), 9);
  ASSERT_TRUE(port.addOutputHeader(&out.header));
  ASSERT_TRUE(port.addInputHeader(&in.header));
  port.submitOutputHeader(&out.header);
  port.start();
  DriverHalves d;
  d.in1.assign(FRAMES, 1234);
  for (int i = 0; i < 3; ++i) port.process(d.stereoDuplex());
  EXPECT_EQ(d.out1, std::vector<std::int16_t>(FRAMES, 0));
  EXPECT_EQ(d.out2, std::vector<std::int16_t>(FRAMES, 0));
  EXPECT_EQ(in.samples, std::vector<std::int16_t>(2 * HEADER_FRAMES, 9));
  std::uint32_t position = 99;
  port.outputPosition(&position);
  EXPECT_EQ(position, 0u);
  EXPECT_EQ(out.header.state(), HEADER_SUBMITTED);
  EXPECT_FALSE(event.isSet());
}

TEST(HostPortProcess, OutputOnlyPortZeroesWhenTheClientIsLateAndWrapsTheRing) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 1, FORMAT_INT32);
  TestHeader a, b;
  a.samples.assign(a.samples.size(), 1);
  b.samples.assign(b.samples.size(), 2);
  ASSERT_TRUE(port.addOutputHeader(&a.header));
  ASSERT_TRUE(port.addOutputHeader(&b.header));
  port.submitOutputHeader(&a.header);
  port.submitOutputHeader(&b.header);
  port.start();
  std::vector<std::int32_t> driver(FRAMES, -1);
  const TransferSet mono{driver.data(), nullptr, nullptr, nullptr};
  for (int i = 0; i < 4; ++i) port.process(mono);  // both headers used up
  EXPECT_EQ(driver[0], 2 << 16);
  EXPECT_EQ(a.header.state(), HEADER_USED_UP);
  EXPECT_EQ(b.header.state(), HEADER_USED_UP);
  port.process(mono);  // back at a, which was not resubmitted
  EXPECT_EQ(driver, std::vector<std::int32_t>(FRAMES, 0));
  port.submitOutputHeader(&a.header);
  port.process(mono);
  EXPECT_EQ(driver[0], 1 << 16);
}

TEST(HostPortProcess, ResetUnlinksEveryHeaderAndStopsThePort) {
  platform::Event event;
  HostPort port(FRAMES, 0, &event, 4, FORMAT_INT16);
  TestHeader a, b;
  port.addOutputHeader(&a.header);
  port.addOutputHeader(&b.header);
  port.submitOutputHeader(&a.header);
  port.start();
  EXPECT_EQ(port.resetOutput(), MMSYSERR_NOERROR);
  EXPECT_FALSE(port.isRunning());
  EXPECT_EQ(a.header.state(), HEADER_UNLINKED);
  EXPECT_EQ(b.header.state(), HEADER_UNLINKED);
  EXPECT_EQ(a.header.next, nullptr);
  EXPECT_EQ(port.outputRingHead(), nullptr);
}

}  // namespace
}  // namespace host
