#include "host/sample_convert.h"

#include <cstring>

#include "host/host_constants.h"

namespace host {

namespace {

void int16ToDriver(const std::int16_t* source, void* driver, std::uint32_t frames,
                   std::uint32_t attenuation) {
  if (attenuation == 0) {
    std::memcpy(driver, source, frames * sizeof(std::int16_t));
    return;
  }
  auto* out = static_cast<unsigned char*>(driver);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const auto value = static_cast<std::uint16_t>(source[i] >> attenuation);
    out[2 * i] = static_cast<unsigned char>(value & 0xFF);
    out[2 * i + 1] = static_cast<unsigned char>(value >> 8);
  }
}

void int24ToDriver(const std::int16_t* source, void* driver, std::uint32_t frames,
                   std::uint32_t attenuation) {
  auto* out = static_cast<unsigned char*>(driver);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const std::int32_t s = source[i];
    // s * 2^(8 - attenuation), as a shift either way
    const std::uint32_t v = attenuation <= 8 ? static_cast<std::uint32_t>(s) << (8 - attenuation)
                                             : static_cast<std::uint32_t>(s >> (attenuation - 8));
    out[3 * i] = static_cast<unsigned char>(v & 0xFF);
    out[3 * i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    out[3 * i + 2] = static_cast<unsigned char>((v >> 16) & 0xFF);
  }
}

void int32ToDriver(const std::int16_t* source, void* driver, std::uint32_t frames,
                   std::uint32_t attenuation) {
  auto* out = static_cast<unsigned char*>(driver);
  const std::uint32_t bits = 16 - attenuation;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const std::uint32_t v = static_cast<std::uint32_t>(static_cast<std::int32_t>(source[i]))
                            << bits;
    out[4 * i] = static_cast<unsigned char>(v & 0xFF);
    out[4 * i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    out[4 * i + 2] = static_cast<unsigned char>((v >> 16) & 0xFF);
    out[4 * i + 3] = static_cast<unsigned char>(v >> 24);
  }
}

void int16FromDriver(const void* driver, std::int16_t* target, std::uint32_t frames) {
  std::memcpy(target, driver, frames * sizeof(std::int16_t));
}

std::int16_t sampleOf(unsigned char high, unsigned char low) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>((high << 8) | low));
}

void int24FromDriver(const void* driver, std::int16_t* target, std::uint32_t frames) {
  const auto* in = static_cast<const unsigned char*>(driver);
  for (std::uint32_t i = 0; i < frames; ++i) target[i] = sampleOf(in[3 * i + 2], in[3 * i + 1]);
}

void int32FromDriver(const void* driver, std::int16_t* target, std::uint32_t frames) {
  const auto* in = static_cast<const unsigned char*>(driver);
  for (std::uint32_t i = 0; i < frames; ++i) target[i] = sampleOf(in[4 * i + 3], in[4 * i + 2]);
}

}  // namespace

SampleConverters convertersFor(std::int32_t format) {
  switch (format) {
    case FORMAT_INT16:
      return {int16ToDriver, int16FromDriver, 2};
    case FORMAT_INT24:
      return {int24ToDriver, int24FromDriver, 3};
    default:
      return {int32ToDriver, int32FromDriver, 4};
  }
}

}  // namespace host
