// The functions of hostkit.h and the one host of the process they work on.
#include "host/hostkit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "host/host_constants.h"
#include "host/host_state.h"
#include "host/hostkit_testing.h"
#include "host/stream.h"

namespace host {

namespace {

HostState state;

// The driver list read afresh; none when memory runs out while it is read
// (its records and the catalogue's text are built with the standard
// containers, which throw).
std::unique_ptr<DriverList> readDriverList() {
  try {
    return std::unique_ptr<DriverList>(new DriverList());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void setErrorText(const char* text) {
  std::snprintf(state.errorText, sizeof state.errorText, "%s", text);
}

bool initWithContext(void* window) {
  HostState& s = state;
  s.driverContext.reset(new (std::nothrow) DriverContext);
  if (!s.driverContext) {
    setErrorText("out of memory");
    return false;
  }
  if (!s.driverContext->create(window, s.openDriver)) {
    // the context goes, its driver's reason stays for the user
    const char* reason = s.driverContext->errorText();
    setErrorText(reason[0] != '\0' ? reason : "the driver could not be started");
    s.driverContext.reset();
    return false;
  }
  s.usableChannels = s.driverContext->channelCount();
  s.preferredFrames = s.driverContext->bufferSize();
  if (s.usableChannels != 0 && s.preferredFrames > 0) s.initialised = true;
  return true;
}

void releaseDriver() {
  HostState& s = state;
  s.driverList.reset();
  s.openDriver = nullptr;
  s.openResult = 1;
}

bool createTables(std::int32_t n) {
  HostState& s = state;
  s.paused.reset(new (std::nothrow) bool[n > 0 ? n : 1]());
  s.events.reset(new (std::nothrow) platform::Event[n > 0 ? n : 1]);
  s.clients.reset(new (std::nothrow) std::unique_ptr<PortClient>[n > 0 ? n : 1]);
  s.ports.reset(new (std::nothrow) HostPort*[n > 0 ? n : 1]());
  s.streams.reset(new (std::nothrow) Stream*[n > 0 ? n : 1]());
  if (!s.paused || !s.events || !s.clients || !s.ports || !s.streams) return false;
  s.tableSize = n;
  for (std::int32_t i = 0; i < s.portCount && i < n; ++i) {
    s.ports[i] = s.driverContext->attachPort(i, &s.events[i]);
    if (s.ports[i] == nullptr) return false;
  }
  s.tablesReady = true;
  return true;
}

void stopStream(Stream& stream) {
  stopSide(state, stream, Direction::Output);
  stopSide(state, stream, Direction::Input);
}

void closeStream(std::int32_t port) {
  HostState& s = state;
  if (!s.tablesReady || !s.streams || port < 0 || port >= s.portCount || port >= s.tableSize) {
    return;
  }
  Stream* stream = s.streams[port];
  if (stream == nullptr) return;
  stopStream(*stream);
  unprepareSide(s, *stream, Direction::Output);
  unprepareSide(s, *stream, Direction::Input);
  delete stream;
  s.streams[port] = nullptr;
}

}  // namespace

HostState& hostState() {
  return state;
}

bool initHostWithDriver(void* window, drivers::AsioDriver* driver) {
  if (state.initialised || driver == nullptr) return false;
  state.openDriver = driver;
  state.openResult = 0;
  if (!initWithContext(window)) {
    state.openDriver = nullptr;
    state.openResult = 1;
    return false;
  }
  return true;
}

void resetHostForTesting() {
  HostkitShutdown();
  state.~HostState();
  new (&state) HostState();
}

Stream* streamOf(std::int32_t port) {
  return existingStream(state, port);
}

}  // namespace host

using host::hostState;

std::int32_t HostkitListDevices(char* buffer, std::int32_t size) {
  if (buffer == nullptr) return 0;
  const std::unique_ptr<host::DriverList> list = host::readDriverList();
  if (!list) return 0;
  const std::int32_t count = list->count();
  std::int32_t offset = 0;
  for (std::int32_t id = 0; id < count; ++id) {
    char name[host::LIST_DEVICES_NAME_BYTES];
    if (list->driverName(id, name, sizeof name) != host::DRIVER_LIST_OK) continue;
    const auto length = static_cast<std::int32_t>(std::strlen(name));
    if (offset + length >= size) break;
    std::memcpy(buffer + offset, name, static_cast<std::size_t>(length) + 1);
    offset += length + 1;
  }
  return count;
}

bool HostkitInit(void* window, std::int32_t deviceIndex) {
  host::HostState& s = hostState();
  if (s.initialised) {
    host::setErrorText("an audio driver is already open");
    return false;
  }
  s.errorText[0] = '\0';
  // a context left by an earlier attempt still talks to its driver: it goes first
  s.driverContext.reset();
  host::releaseDriver();

  s.driverList = host::readDriverList();
  if (!s.driverList) {
    host::setErrorText("out of memory");
    return false;
  }
  if (s.driverList->count() == 0) {
    s.driverList.reset();
    host::setErrorText(host::NO_DRIVER_TEXT);
    return false;
  }
  std::int32_t index = deviceIndex >= 0 ? deviceIndex : host::configuredDeviceIndex();
  if (index < 0 || index >= s.driverList->count()) index = 0;
  s.deviceIndex = index;
  s.openResult = s.driverList->openDriver(index, &s.openDriver);
  if (s.openResult != host::DRIVER_LIST_OK) {
    char text[sizeof s.errorText];
    std::snprintf(text, sizeof text, "the audio driver could not be loaded (code %d)",
                  static_cast<int>(s.openResult));
    host::setErrorText(text);
    host::releaseDriver();
    return false;
  }
  if (!host::initWithContext(window)) {
    host::releaseDriver();
    return false;
  }
  return true;
}

const char* HostkitErrorText() {
  return hostState().errorText;
}

std::int32_t HostkitStart(std::int32_t requestedPorts, HostMode mode) {
  host::HostState& s = hostState();
  if (!s.initialised || !s.driverContext) return 0;
  // a started host keeps its layout for the whole run
  if (s.driverContext->buffersCreated()) return 0;
  if (mode < 1 || mode > 6) return 0;
  const host::ModeFlags flags = host::modeFlags(mode);
  std::int32_t ports = flags.mono ? std::min(requestedPorts, 2) : 1;
  if (!s.driverContext->createBuffers(std::min(ports, 2), mode)) return 0;
  s.usableChannels = s.driverContext->channelCount();
  s.mode = mode;
  s.mono = s.mono || flags.mono;
  s.hasInput = s.hasInput || flags.hasInput;
  s.inputOnly = s.inputOnly || flags.inputOnly;
  s.portCount = flags.mono ? s.usableChannels : s.usableChannels / 2;
  ports = flags.mono ? std::min(ports, host::MAX_PORTS) : 1;
  if (!host::createTables(ports)) return 0;
  return s.portCount;
}

std::int32_t HostkitSampleRate() {
  host::HostState& s = hostState();
  if (!s.driverContext || !s.driverContext->initialised()) return 0;
  return s.driverContext->sampleRate();
}

std::int32_t HostkitChannelCount() {
  host::HostState& s = hostState();
  return s.driverContext ? s.driverContext->channelCount() : 0;
}

std::int32_t HostkitBufferSize() {
  host::HostState& s = hostState();
  return s.driverContext ? s.driverContext->bufferSize() : 0;
}

void HostkitShutdown() {
  host::HostState& s = hostState();
  const std::int32_t ports = std::min(s.portCount, s.tableSize);
  for (std::int32_t i = 0; i < ports; ++i) {
    if (s.streams) host::closeStream(i);
    if (s.ports && s.ports[i] != nullptr) {
      // no delivery may run into a port that is going away
      if (s.clients && s.clients[i]) s.clients[i]->stop();
      s.ports[i]->stop();
      if (s.driverContext) s.driverContext->detachPort(s.ports[i]);
      s.ports[i] = nullptr;
    }
  }
  if (s.driverContext) s.driverContext->destroy();
  s.driverContext.reset();
  host::releaseDriver();
  s.streams.reset();
  s.ports.reset();
  s.paused.reset();
  for (std::int32_t i = 0; i < s.tableSize; ++i) {
    if (s.clients && s.clients[i]) s.clients[i].reset();
  }
  s.clients.reset();
  s.events.reset();
  s.tableSize = 0;
  s.portCount = 0;
  s.tablesReady = false;
}

void HostkitSetResetHandler(HostkitResetHandler handler) {
  host::setDriverResetHandler(handler);
}

bool StreamOpen(const StreamConfig* config) {
  host::HostState& s = hostState();
  if (config == nullptr || !host::streamPortUsable(s, config->port)) return false;
  if (s.streams[config->port] != nullptr) return false;
  const std::int32_t preferred = s.preferredFrames;
  const std::int32_t frames = config->framesPerHeader;
  if (preferred <= 0 || frames % preferred != 0 || frames / 2 < preferred) return false;

  auto* stream = new (std::nothrow) host::Stream;
  if (stream == nullptr) return false;
  s.streams[config->port] = stream;
  if (!host::constructStream(s, *stream)) return false;
  host::HostPort* port = s.ports[config->port];
  if (port != nullptr && config->setOutputFormat) port->setOutputFormat();
  if (port != nullptr && config->setInputFormat) port->setInputFormat();
  return host::allocateBlocks(s, *stream, *config);
}

bool StreamPrime(std::int32_t port) {
  host::HostState& s = hostState();
  host::Stream* stream = host::existingStream(s, port);
  if (stream == nullptr || !stream->allocated || stream->output.prepared ||
      stream->input.prepared) {
    return false;
  }
  const host::ModeFlags flags = host::hostFlags(s);
  const bool output = flags.hasOutput && !flags.inputOnly;
  if (output && (stream->output.callback == nullptr || !stream->output.block)) return false;
  if (flags.hasInput && (stream->input.callback == nullptr || !stream->input.block)) return false;
  if (output && !host::primeSide(s, *stream, host::Direction::Output)) return false;
  return !flags.hasInput || host::primeSide(s, *stream, host::Direction::Input);
}

bool StreamStart(std::int32_t port) {
  host::HostState& s = hostState();
  host::Stream* stream = host::existingStream(s, port);
  if (stream == nullptr || !stream->allocated || stream->output.open || stream->input.open) {
    return false;
  }
  if (!stream->output.prepared && !stream->input.prepared) return false;
  const host::ModeFlags flags = host::hostFlags(s);
  if (flags.hasOutput && !flags.inputOnly) stream->output.open = true;
  if (flags.hasInput) stream->input.open = true;
  return host::openPort(s, port);
}

void StreamPause(std::int32_t port) {
  host::HostState& s = hostState();
  if (host::existingStream(s, port) == nullptr) return;
  s.paused[port] = true;
  if (s.ports[port] != nullptr) s.ports[port]->stop();
}

void StreamResume(std::int32_t port) {
  host::HostState& s = hostState();
  if (host::existingStream(s, port) == nullptr) return;
  s.paused[port] = false;
  if (s.ports[port] != nullptr) s.ports[port]->start();
}

void StreamStop(std::int32_t port) {
  host::Stream* stream = host::existingStream(hostState(), port);
  if (stream != nullptr) host::stopStream(*stream);
}

void StreamClose(std::int32_t port) {
  host::closeStream(port);
}
