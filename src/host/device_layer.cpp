#include "host/device_layer.h"

#include <new>

#include "host/host_constants.h"
#include "host/host_state.h"

namespace host {

namespace {

enum class Direction { Output, Input };

// The checks every operation starts with; MMSYSERR_NOERROR and the port when
// they pass. Preparing and closing also refuse, as no driver, the ids no port
// of the layout can have; the other operations call those a bad id.
std::uint32_t check(std::uint32_t deviceId, Direction direction, bool checksId, HostPort** port) {
  HostState& s = hostState();
  const ModeFlags flags = hostFlags();
  if (direction == Direction::Output ? flags.inputOnly : !flags.hasInput) return MMSYSERR_NODRIVER;
  if (checksId && deviceId > DEVICE_ID_BASE + 1) return MMSYSERR_NODRIVER;
  if (checksId && deviceId > DEVICE_ID_BASE && !flags.mono) return MMSYSERR_NODRIVER;
  if (deviceId < DEVICE_ID_BASE) return MMSYSERR_BADDEVICEID;
  const auto index = static_cast<std::int32_t>(deviceId - DEVICE_ID_BASE);
  if (index >= s.portCount || index >= s.tableSize) return MMSYSERR_BADDEVICEID;
  *port = s.ports ? s.ports[index] : nullptr;
  return MMSYSERR_NOERROR;
}

std::uint32_t closeDirection(std::uint32_t deviceId, Direction direction) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, direction, true, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (port == nullptr) return MMSYSERR_NOMEM;
  HostState& s = hostState();
  const auto index = static_cast<std::int32_t>(deviceId - DEVICE_ID_BASE);
  port->stop();
  // The delivery thread walks the ring: end it before the ring is taken apart.
  if (s.clients[index]) {
    s.clients[index]->stop();
    s.clients[index].reset();
  }
  if (direction == Direction::Output) {
    port->resetOutput();
  } else {
    port->resetInput();
  }
  s.paused[index] = false;
  return MMSYSERR_NOERROR;
}

}  // namespace

std::uint32_t OutPrepare(std::uint32_t deviceId, BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, Direction::Output, true, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return port->addOutputHeader(header) ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

std::uint32_t InPrepare(std::uint32_t deviceId, BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, Direction::Input, true, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return port->addInputHeader(header) ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

std::uint32_t OutUnprepare(std::uint32_t deviceId, BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, Direction::Output, false, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return port->removeOutputHeader(header);
}

std::uint32_t InUnprepare(std::uint32_t deviceId, BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, Direction::Input, false, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return port->removeInputHeader(header);
}

std::uint32_t OutSubmit(std::uint32_t deviceId, BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, Direction::Output, false, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return port->submitOutputHeader(header);
}

std::uint32_t InSubmit(std::uint32_t deviceId, BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(deviceId, Direction::Input, false, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return port->submitInputHeader(header);
}

std::uint32_t OutClose(std::uint32_t deviceId) {
  return closeDirection(deviceId, Direction::Output);
}

std::uint32_t InClose(std::uint32_t deviceId) {
  return closeDirection(deviceId, Direction::Input);
}

bool PortOpen(std::int32_t portIndex, DeviceHandler outputHandler, DeviceHandler inputHandler) {
  HostState& s = hostState();
  const ModeFlags flags = hostFlags();
  if (flags.mono ? (portIndex < 0 || portIndex > 1) : portIndex != 0) return false;
  if (!s.tablesReady || portIndex >= s.portCount || portIndex >= s.tableSize) return false;
  HostPort* port = s.ports[portIndex];
  if (port == nullptr || port->isRunning() || s.paused[portIndex]) return false;

  s.clients[portIndex].reset();
  PortClientSetup setup;
  setup.event = &s.events[portIndex];
  setup.outputInstance = s.streams[portIndex];
  setup.inputInstance = s.streams[portIndex];
  setup.outputHandler = outputHandler;
  setup.inputHandler = inputHandler;
  setup.outputHead = port->outputRingHead();
  setup.inputHead = port->inputRingHead();
  setup.portIndex = portIndex;
  setup.inputOnly = flags.inputOnly;
  setup.duplex = flags.hasInput && !flags.inputOnly;
  s.clients[portIndex].reset(new (std::nothrow) PortClient(setup));
  if (!s.clients[portIndex] || !s.clients[portIndex]->start()) {
    s.clients[portIndex].reset();
    return false;
  }
  return port->start();
}

}  // namespace host
