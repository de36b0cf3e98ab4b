#include "host/sample_convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/host_constants.h"

namespace host {
namespace {

using Bytes = std::vector<unsigned char>;

// Round trips of thousands of values through each format run in the loopback
// tests of the virtual device; here the bytes themselves.
TEST(SampleConvert, WritesAndReadsEachDriverFormatLittleEndian) {
  struct Out {
    std::int32_t format;
    std::int16_t sample;
    std::uint32_t attenuation;
    Bytes bytes;
  };
  const Out outputs[] = {
      {FORMAT_INT24, 0x1234, 0, {0x00, 0x34, 0x12}},
      {FORMAT_INT24, -2, 0, {0x00, 0xFE, 0xFF}},        // the sign fills the top byte
      {FORMAT_INT24, 0x1234, 4, {0x40, 0x23, 0x01}},    // 8 - 4 = 4 bits left
      {FORMAT_INT24, -0x1000, 12, {0x00, 0xFF, 0xFF}},  // beyond 8 the shift turns right
      {FORMAT_INT32, -1, 0, {0x00, 0x00, 0xFF, 0xFF}},  // only the upper half set
      {FORMAT_INT32, 32767, 0, {0x00, 0x00, 0xFF, 0x7F}},
      {FORMAT_INT32, 0x1234, 15, {0x68, 0x24, 0x00, 0x00}},
      {FORMAT_INT16, 0x1234, 0, {0x34, 0x12}},
      {FORMAT_INT16, -0x100, 4, {0xF0, 0xFF}},  // shifted right, arithmetically
  };
  for (const Out& o : outputs) {
    const SampleConverters c = convertersFor(o.format);
    Bytes out(c.driverSampleBytes, 0xEE);
    c.toDriver(&o.sample, out.data(), 1, o.attenuation);
    EXPECT_EQ(out, o.bytes) << "format " << o.format << ", sample " << o.sample << ", attenuation "
                            << o.attenuation;
  }

  struct In {
    std::int32_t format;
    Bytes bytes;
    std::int16_t sample;
  };
  const In inputs[] = {
      {FORMAT_INT24, {0x56, 0x34, 0x12}, 0x1234},
      {FORMAT_INT24, {0xFF, 0xFE, 0xFF}, -2},
      // the upper 16 bits whatever the lower hold
      {FORMAT_INT32, {0x00, 0x00, 0x34, 0x12}, 0x1234},
      {FORMAT_INT32, {0xFF, 0xA5, 0x34, 0x12}, 0x1234},
      {FORMAT_INT32, {0xFF, 0xFF, 0x00, 0x80}, -32768},
      {FORMAT_INT16, {0x34, 0x92}, static_cast<std::int16_t>(0x9234)},
  };
  for (In i : inputs) {
    std::int16_t sample = 0;
    convertersFor(i.format).fromDriver(i.bytes.data(), &sample, 1);
    EXPECT_EQ(sample, i.sample) << "format " << i.format;
  }
}

}  // namespace
}  // namespace host
