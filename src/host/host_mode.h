// What a HostMode (1 to 6) says about the channel layout: mono or stereo
// ports, which directions, duplex.
#pragma once

#include <cstdint>

namespace host {

struct ModeFlags {
  bool mono = false;
  bool hasOutput = false;
  bool hasInput = false;
  bool inputOnly = false;
  bool duplex = false;
};

inline ModeFlags modeFlags(std::int32_t mode) {
  ModeFlags flags;
  if (mode < 1 || mode > 6) return flags;
  flags.mono = mode <= 3;
  const int direction = (mode - 1) % 3;  // 0 output, 1 input, 2 both
  flags.hasOutput = direction != 1;
  flags.hasInput = direction != 0;
  flags.inputOnly = direction == 1;
  flags.duplex = direction == 2;
  return flags;
}

}  // namespace host
