// The virtual audio device's settings, read from its catalogue section:
// sample rate, buffer size, sample type, input source, pacing and an optional
// capture file.
#pragma once

#include <cstdint>
#include <string>

#include "host/drivers/driver.h"

namespace virtualdevice {

enum class InputSource { Voice, Loopback, Silence };
enum class Pacing { Realtime, Fast };

struct VirtualSettings {
  std::int32_t sampleRate = 44100;
  std::int32_t bufferFrames = 512;
  std::int32_t sampleType = drivers::SAMPLE_TYPE_INT32_LSB;
  InputSource input = InputSource::Voice;
  Pacing pacing = Pacing::Realtime;
  // how many times faster than real time the fast pacing runs
  std::int32_t speed = 8;
  std::string capturePath;  // empty: no capture
};

inline constexpr std::int32_t MIN_SAMPLE_RATE = 8000;
inline constexpr std::int32_t MAX_SAMPLE_RATE = 192000;
inline constexpr std::int32_t MIN_BUFFER_FRAMES = 16;
inline constexpr std::int32_t MAX_BUFFER_FRAMES = 8192;
inline constexpr std::int32_t MAX_SPEED = 1000;

// Reads the settings; unknown keys are left to others (clsid, description).
// False with a one-line reason in error when a value is not acceptable.
bool parseVirtualSettings(const drivers::DriverSetting* settings, std::int32_t count,
                          VirtualSettings& out, std::string& error);

// Bytes of one sample of a sample type (2, 3 or 4).
std::int32_t sampleBytesOf(std::int32_t sampleType);

}  // namespace virtualdevice
