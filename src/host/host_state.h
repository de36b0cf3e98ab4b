// The state of the one host of a process: the driver list, the open driver,
// the driver context and, per port, an event, a PortClient, a paused flag, the
// HostPort and the Stream. The front file (hostkit.cpp) owns the one instance
// and hands it down by reference; the application sees hostkit.h.
#pragma once

#include <cstdint>
#include <memory>

#include "host/driver_context.h"
#include "host/driver_list.h"
#include "host/host_mode.h"
#include "host/host_port.h"
#include "host/port_client.h"
#include "platform/event.h"

namespace host {

struct Stream;

struct HostState {
  std::unique_ptr<DriverList> driverList;
  drivers::AsioDriver* openDriver = nullptr;
  std::int32_t openResult = 1;
  std::int32_t deviceIndex = 0;
  std::unique_ptr<DriverContext> driverContext;
  bool initialised = false;
  bool tablesReady = false;
  std::int32_t usableChannels = 0;
  std::int32_t preferredFrames = 0;
  std::int32_t mode = 0;
  // set when a mode calls for them, never cleared
  bool mono = false;
  bool hasInput = false;
  bool inputOnly = false;
  std::int32_t portCount = 0;
  std::int32_t tableSize = 0;
  std::unique_ptr<platform::Event[]> events;
  std::unique_ptr<std::unique_ptr<PortClient>[]> clients;
  std::unique_ptr<bool[]> paused;
  std::unique_ptr<HostPort*[]> ports;
  std::unique_ptr<Stream*[]> streams;
  char errorText[160] = {};  // why the last HostkitInit failed
};

// The mode's layout with the sticky flags of the host state.
ModeFlags hostFlags(const HostState& state);

// The driver index HostkitInit takes for a negative argument: "Devnum" of the
// settings file, else the first character of ASIOConfig.txt in the current
// directory minus '0' (0 when negative), else 0.
std::int32_t configuredDeviceIndex();

}  // namespace host
