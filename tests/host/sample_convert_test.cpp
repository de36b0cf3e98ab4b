#include "host/sample_convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/host_constants.h"

namespace host {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes toDriver(std::int32_t format, std::int16_t sample, std::uint32_t attenuation) {
  const SampleConverters c = convertersFor(format);
  Bytes out(c.driverSampleBytes, 0xEE);
  c.toDriver(&sample, out.data(), 1, attenuation);
  return out;
}

std::int16_t fromDriver(std::int32_t format, Bytes in) {
  std::int16_t sample = 0;
  convertersFor(format).fromDriver(in.data(), &sample, 1);
  return sample;
}

TEST(SampleConvert, TwentyFourBitOutputAndInputKeepTheSampleInTheUpperBytes) {
  EXPECT_EQ(toDriver(FORMAT_INT24, 0x1234, 0), (Bytes{0x00, 0x34, 0x12}));
  EXPECT_EQ(fromDriver(FORMAT_INT24, {0x56, 0x34, 0x12}), 0x1234);
  // negative samples keep their sign bits in the top byte
  EXPECT_EQ(toDriver(FORMAT_INT24, -2, 0), (Bytes{0x00, 0xFE, 0xFF}));
  EXPECT_EQ(fromDriver(FORMAT_INT24, {0xFF, 0xFE, 0xFF}), -2);
}

TEST(SampleConvert, TwentyFourBitAttenuationShiftsEitherWay) {
  // 8 - 4 = 4 bits left
  EXPECT_EQ(toDriver(FORMAT_INT24, 0x1234, 4), (Bytes{0x40, 0x23, 0x01}));
  // beyond 8 the shift turns right, arithmetically
  EXPECT_EQ(toDriver(FORMAT_INT24, -0x1000, 12), (Bytes{0x00, 0xFF, 0xFF}));
}

TEST(SampleConvert, ThirtyTwoBitInputTakesTheUpperHalfWhateverTheLowerHolds) {
  EXPECT_EQ(fromDriver(FORMAT_INT32, {0x00, 0x00, 0x34, 0x12}), 0x1234);
  EXPECT_EQ(fromDriver(FORMAT_INT32, {0xFF, 0xA5, 0x34, 0x12}), 0x1234);
  EXPECT_EQ(fromDriver(FORMAT_INT32, {0xFF, 0xFF, 0x00, 0x80}), -32768);
}

TEST(SampleConvert, ThirtyTwoBitOutputOfMinusOneSetsOnlyTheUpperHalf) {
  EXPECT_EQ(toDriver(FORMAT_INT32, -1, 0), (Bytes{0x00, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(toDriver(FORMAT_INT32, 0x1234, 0), (Bytes{0x00, 0x00, 0x34, 0x12}));
  // attenuation 15 leaves one bit of headroom shift
  EXPECT_EQ(toDriver(FORMAT_INT32, 0x1234, 15), (Bytes{0x68, 0x24, 0x00, 0x00}));
}

TEST(SampleConvert, SixteenBitCopiesOrShiftsRight) {
  EXPECT_EQ(toDriver(FORMAT_INT16, 0x1234, 0), (Bytes{0x34, 0x12}));
  EXPECT_EQ(toDriver(FORMAT_INT16, -0x100, 4), (Bytes{0xF0, 0xFF}));
  EXPECT_EQ(fromDriver(FORMAT_INT16, {0x34, 0x92}), static_cast<std::int16_t>(0x9234));
}

TEST(SampleConvert, RoundTripIsExactForEveryFormatAtNoAttenuation) {
  std::vector<std::int16_t> samples;
  for (int v = -32768; v <= 32767; v += 251) samples.push_back(static_cast<std::int16_t>(v));
  samples.push_back(32767);
  const auto frames = static_cast<std::uint32_t>(samples.size());
  for (std::int32_t format : {FORMAT_INT16, FORMAT_INT24, FORMAT_INT32}) {
    const SampleConverters c = convertersFor(format);
    Bytes driver(frames * c.driverSampleBytes);
    std::vector<std::int16_t> back(frames, 0);
    c.toDriver(samples.data(), driver.data(), frames, 0);
    c.fromDriver(driver.data(), back.data(), frames);
    EXPECT_EQ(back, samples) << "format " << format;
  }
}

}  // namespace
}  // namespace host
