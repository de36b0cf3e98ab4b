#include "host/drivers/jack/sample_codec.h"

#include <cmath>
#include <cstring>

#include "host/drivers/driver.h"

namespace jackdriver {

namespace {

// A float at full scale maps to 2^(bits-1); integers keep their exact value
// on the way back, so a 16-bit sample survives int -> float -> int unchanged
// in every type.
template <int BITS>
std::int32_t toInteger(float v) {
  constexpr double scale = static_cast<double>(std::int64_t{1} << (BITS - 1));
  if (std::isnan(v)) return 0;
  double x = std::nearbyint(static_cast<double>(v) * scale);
  if (x > scale - 1.0) x = scale - 1.0;
  if (x < -scale) x = -scale;
  return static_cast<std::int32_t>(x);
}

template <int BITS>
float toFloat(std::int32_t v) {
  constexpr double scale = static_cast<double>(std::int64_t{1} << (BITS - 1));
  return static_cast<float>(v / scale);
}

void encode16(const float* in, void* out, int frames) {
  auto* bytes = static_cast<unsigned char*>(out);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<std::uint32_t>(toInteger<16>(in[i]));
    bytes[2 * i] = static_cast<unsigned char>(v);
    bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
  }
}

void decode16(const void* in, float* out, int frames) {
  const auto* bytes = static_cast<const unsigned char*>(in);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    out[i] = toFloat<16>(v);
  }
}

void encode24(const float* in, void* out, int frames) {
  auto* bytes = static_cast<unsigned char*>(out);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<std::uint32_t>(toInteger<24>(in[i]));
    bytes[3 * i] = static_cast<unsigned char>(v);
    bytes[3 * i + 1] = static_cast<unsigned char>(v >> 8);
    bytes[3 * i + 2] = static_cast<unsigned char>(v >> 16);
  }
}

void decode24(const void* in, float* out, int frames) {
  const auto* bytes = static_cast<const unsigned char*>(in);
  for (int i = 0; i < frames; ++i) {
    std::uint32_t u = bytes[3 * i] | (bytes[3 * i + 1] << 8) |
                      (static_cast<std::uint32_t>(bytes[3 * i + 2]) << 16);
    if ((u & 0x800000u) != 0) u |= 0xFF000000u;  // sign of the 24-bit value
    out[i] = toFloat<24>(static_cast<std::int32_t>(u));
  }
}

void encode32(const float* in, void* out, int frames) {
  auto* bytes = static_cast<unsigned char*>(out);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<std::uint32_t>(toInteger<32>(in[i]));
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<unsigned char>(v >> (8 * b));
  }
}

void decode32(const void* in, float* out, int frames) {
  const auto* bytes = static_cast<const unsigned char*>(in);
  for (int i = 0; i < frames; ++i) {
    std::uint32_t u = 0;
    for (int b = 0; b < 4; ++b) u |= static_cast<std::uint32_t>(bytes[4 * i + b]) << (8 * b);
    out[i] = toFloat<32>(static_cast<std::int32_t>(u));
  }
}

}  // namespace

bool codecFor(std::int32_t sampleType, SampleCodec& codec) {
  switch (sampleType) {
    case drivers::SAMPLE_TYPE_INT16_LSB:
      codec = {2, encode16, decode16};
      return true;
    case drivers::SAMPLE_TYPE_INT24_LSB:
      codec = {3, encode24, decode24};
      return true;
    case drivers::SAMPLE_TYPE_INT32_LSB:
      codec = {4, encode32, decode32};
      return true;
    default:
      return false;
  }
}

}  // namespace jackdriver
