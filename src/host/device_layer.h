// The device layer presents each port of the started host as a device of the
// waveform-audio kind: device ids (port index + 100), headers that are
// prepared, submitted and handed back, multimedia result codes, and one
// delivery thread per open port. Output and input differ only by direction;
// the Out/In names are the direction's one-line wrappers.
#pragma once

#include <cstdint>

#include "host/buffer_header.h"
#include "host/host_state.h"
#include "host/port_client.h"

namespace host {

enum class Direction { Output, Input };

std::uint32_t devicePrepare(HostState& state, Direction direction, std::uint32_t deviceId,
                            BufferHeader* header);
std::uint32_t deviceUnprepare(HostState& state, Direction direction, std::uint32_t deviceId,
                              BufferHeader* header);
std::uint32_t deviceSubmit(HostState& state, Direction direction, std::uint32_t deviceId,
                           BufferHeader* header);
// Stops the port, ends its delivery thread and empties the direction's ring.
std::uint32_t deviceClose(HostState& state, Direction direction, std::uint32_t deviceId);

inline std::uint32_t OutPrepare(HostState& state, std::uint32_t deviceId, BufferHeader* header) {
  return devicePrepare(state, Direction::Output, deviceId, header);
}
inline std::uint32_t InPrepare(HostState& state, std::uint32_t deviceId, BufferHeader* header) {
  return devicePrepare(state, Direction::Input, deviceId, header);
}
inline std::uint32_t OutUnprepare(HostState& state, std::uint32_t deviceId, BufferHeader* header) {
  return deviceUnprepare(state, Direction::Output, deviceId, header);
}
inline std::uint32_t InUnprepare(HostState& state, std::uint32_t deviceId, BufferHeader* header) {
  return deviceUnprepare(state, Direction::Input, deviceId, header);
}
inline std::uint32_t OutSubmit(HostState& state, std::uint32_t deviceId, BufferHeader* header) {
  return deviceSubmit(state, Direction::Output, deviceId, header);
}
inline std::uint32_t InSubmit(HostState& state, std::uint32_t deviceId, BufferHeader* header) {
  return deviceSubmit(state, Direction::Input, deviceId, header);
}
inline std::uint32_t OutClose(HostState& state, std::uint32_t deviceId) {
  return deviceClose(state, Direction::Output, deviceId);
}
inline std::uint32_t InClose(HostState& state, std::uint32_t deviceId) {
  return deviceClose(state, Direction::Input, deviceId);
}

// Starts delivery on a port that is neither running nor paused.
bool PortOpen(HostState& state, std::int32_t portIndex, DeviceHandler outputHandler,
              DeviceHandler inputHandler);

}  // namespace host
