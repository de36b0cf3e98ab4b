// Conversion between the host's 16-bit samples and the driver's 16-, 24- and
// 32-bit little-endian integers, one driver buffer of one channel per call.
// A port picks its pair of converters once, from the driver's format, so the
// buffer switch never branches on the format per sample.
#pragma once

#include <cstdint>

namespace host {

// Writes frames samples into driver memory, attenuated by attenuation bits.
using ToDriverFn = void (*)(const std::int16_t* source, void* driver, std::uint32_t frames,
                            std::uint32_t attenuation);
// Reads frames driver samples into 16-bit samples.
using FromDriverFn = void (*)(const void* driver, std::int16_t* target, std::uint32_t frames);

struct SampleConverters {
  ToDriverFn toDriver;
  FromDriverFn fromDriver;
  std::uint32_t driverSampleBytes;
};

// The converters of a driver format (1 = 16-bit, 2 = 24-bit, 3 = 32-bit; any
// other value is treated as 32-bit, as the buffer sizes are).
SampleConverters convertersFor(std::int32_t format);

}  // namespace host
