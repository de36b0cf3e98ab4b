#include "host/device_layer.h"

#include <new>

#include "host/host_constants.h"

namespace host {

namespace {

// The checks every operation starts with; MMSYSERR_NOERROR and the port when
// they pass. Preparing and closing also refuse, as no driver, the ids no port
// of the layout can have; the other operations call those a bad id.
std::uint32_t check(const HostState& s, std::uint32_t deviceId, Direction direction, bool checksId,
                    HostPort** port) {
  const ModeFlags flags = hostFlags(s);
  if (direction == Direction::Output ? flags.inputOnly : !flags.hasInput) return MMSYSERR_NODRIVER;
  if (checksId && deviceId > DEVICE_ID_BASE + 1) return MMSYSERR_NODRIVER;
  if (checksId && deviceId > DEVICE_ID_BASE && !flags.mono) return MMSYSERR_NODRIVER;
  if (deviceId < DEVICE_ID_BASE) return MMSYSERR_BADDEVICEID;
  const auto index = static_cast<std::int32_t>(deviceId - DEVICE_ID_BASE);
  if (index >= s.portCount || index >= s.tableSize) return MMSYSERR_BADDEVICEID;
  *port = s.ports ? s.ports[index] : nullptr;
  return MMSYSERR_NOERROR;
}

}  // namespace

std::uint32_t devicePrepare(HostState& state, Direction direction, std::uint32_t deviceId,
                            BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(state, deviceId, direction, true, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  const bool added =
      direction == Direction::Output ? port->addOutputHeader(header) : port->addInputHeader(header);
  return added ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

std::uint32_t deviceUnprepare(HostState& state, Direction direction, std::uint32_t deviceId,
                              BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(state, deviceId, direction, false, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return direction == Direction::Output ? port->removeOutputHeader(header)
                                        : port->removeInputHeader(header);
}

std::uint32_t deviceSubmit(HostState& state, Direction direction, std::uint32_t deviceId,
                           BufferHeader* header) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(state, deviceId, direction, false, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (header == nullptr || port == nullptr) return MMSYSERR_NOMEM;
  return direction == Direction::Output ? port->submitOutputHeader(header)
                                        : port->submitInputHeader(header);
}

std::uint32_t deviceClose(HostState& state, Direction direction, std::uint32_t deviceId) {
  HostPort* port = nullptr;
  const std::uint32_t result = check(state, deviceId, direction, true, &port);
  if (result != MMSYSERR_NOERROR) return result;
  if (port == nullptr) return MMSYSERR_NOMEM;
  const auto index = static_cast<std::int32_t>(deviceId - DEVICE_ID_BASE);
  port->stop();
  // The delivery thread walks the ring: end it before the ring is taken apart.
  if (state.clients[index]) {
    state.clients[index]->stop();
    state.clients[index].reset();
  }
  if (direction == Direction::Output) {
    port->resetOutput();
  } else {
    port->resetInput();
  }
  state.paused[index] = false;
  return MMSYSERR_NOERROR;
}

bool PortOpen(HostState& state, std::int32_t portIndex, DeviceHandler outputHandler,
              DeviceHandler inputHandler) {
  HostState& s = state;
  const ModeFlags flags = hostFlags(s);
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
