// The device layer presents each port of the started host as a device of the
// waveform-audio kind: device ids (port index + 100), headers that are
// prepared, submitted and handed back, multimedia result codes, and one
// delivery thread per open port.
#pragma once

#include <cstdint>

#include "host/buffer_header.h"
#include "host/port_client.h"

namespace host {

std::uint32_t OutPrepare(std::uint32_t deviceId, BufferHeader* header);
std::uint32_t InPrepare(std::uint32_t deviceId, BufferHeader* header);
std::uint32_t OutUnprepare(std::uint32_t deviceId, BufferHeader* header);
std::uint32_t InUnprepare(std::uint32_t deviceId, BufferHeader* header);
std::uint32_t OutSubmit(std::uint32_t deviceId, BufferHeader* header);
std::uint32_t InSubmit(std::uint32_t deviceId, BufferHeader* header);
// Stop the port, end its delivery thread and empty the direction's ring.
std::uint32_t OutClose(std::uint32_t deviceId);
std::uint32_t InClose(std::uint32_t deviceId);
// Starts delivery on a port that is neither running nor paused.
bool PortOpen(std::int32_t portIndex, DeviceHandler outputHandler, DeviceHandler inputHandler);

}  // namespace host
