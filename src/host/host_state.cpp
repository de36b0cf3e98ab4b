#include "host/host_state.h"

#include <cstdio>

#include "platform/device_number_setting.h"

namespace host {

ModeFlags hostFlags(const HostState& state) {
  ModeFlags flags = modeFlags(state.mode);
  flags.mono = flags.mono || state.mono;
  flags.hasInput = flags.hasInput || state.hasInput;
  flags.inputOnly = flags.inputOnly || state.inputOnly;
  flags.duplex = flags.hasInput && !flags.inputOnly;
  return flags;
}

std::int32_t configuredDeviceIndex() {
  std::int32_t devnum = 0;
  if (platform::readDeviceNumberSetting(devnum)) {
    return devnum;
  }
  std::FILE* file = std::fopen("ASIOConfig.txt", "r");
  if (file == nullptr) return 0;
  const int first = std::fgetc(file);
  std::fclose(file);
  if (first == EOF) return 0;
  const int value = first - '0';
  return value < 0 ? 0 : value;
}

}  // namespace host
