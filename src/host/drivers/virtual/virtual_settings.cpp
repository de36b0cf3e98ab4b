#include "virtual_settings.h"

#include <cstring>
#include <string_view>

namespace virtualdevice {

namespace {

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool parseNumber(std::string_view text, std::int32_t minimum, std::int32_t maximum,
                 std::int32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  std::int32_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  if (number < minimum || number > maximum) return false;
  value = number;
  return true;
}

}  // namespace

std::int32_t sampleBytesOf(std::int32_t sampleType) {
  return sampleType == drivers::SAMPLE_TYPE_INT16_LSB   ? 2
         : sampleType == drivers::SAMPLE_TYPE_INT24_LSB ? 3
                                                        : 4;
}

bool parseVirtualSettings(const drivers::DriverSetting* settings, std::int32_t count,
                          VirtualSettings& out, std::string& error) {
  out = VirtualSettings{};
  for (std::int32_t i = 0; i < count && settings != nullptr; ++i) {
    if (settings[i].key == nullptr || settings[i].value == nullptr) continue;
    const std::string_view key = settings[i].key;
    const std::string_view value = settings[i].value;
    bool ok = true;
    if (sameText(key, "samplerate")) {
      ok = parseNumber(value, MIN_SAMPLE_RATE, MAX_SAMPLE_RATE, out.sampleRate);
    } else if (sameText(key, "buffersize")) {
      ok = parseNumber(value, MIN_BUFFER_FRAMES, MAX_BUFFER_FRAMES, out.bufferFrames);
    } else if (sameText(key, "sampletype")) {
      ok = parseNumber(value, drivers::SAMPLE_TYPE_INT16_LSB, drivers::SAMPLE_TYPE_INT32_LSB,
                       out.sampleType);
    } else if (sameText(key, "input")) {
      if (sameText(value, "voice")) {
        out.input = InputSource::Voice;
      } else if (sameText(value, "loopback")) {
        out.input = InputSource::Loopback;
      } else if (sameText(value, "silence")) {
        out.input = InputSource::Silence;
      } else {
        ok = false;
      }
    } else if (sameText(key, "pacing")) {
      if (sameText(value, "realtime")) {
        out.pacing = Pacing::Realtime;
      } else if (sameText(value, "fast")) {
        out.pacing = Pacing::Fast;
      } else {
        ok = false;
      }
    } else if (sameText(key, "speed")) {
      ok = parseNumber(value, 1, MAX_SPEED, out.speed);
    } else if (sameText(key, "capture")) {
      out.capturePath = std::string(value);
    }
    if (!ok) {
      error = "bad value for ";
      error.append(key);
      error += ": ";
      error.append(value);
      return false;
    }
  }
  return true;
}

}  // namespace virtualdevice
