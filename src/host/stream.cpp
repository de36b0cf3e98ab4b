#include "host/stream.h"

#include <cstring>
#include <new>

#include "host/device_layer.h"
#include "host/host_state.h"

namespace host {

namespace {

// The first requirement of every stream operation: the tables exist and the
// index names a port of the layout.
bool portUsable(std::int32_t port) {
  const HostState& s = hostState();
  if (!s.tablesReady || !s.streams || port < 0 || port >= s.portCount || port >= s.tableSize) {
    return false;
  }
  return hostFlags().mono ? port <= 1 : port == 0;
}

Stream* existing(std::int32_t port) {
  return portUsable(port) ? hostState().streams[port] : nullptr;
}

bool construct(Stream& stream, std::int32_t port) {
  stream.outputHeaders.reset(new (std::nothrow) BufferHeader*[HOST_HEADERS_PER_DIRECTION]());
  stream.inputHeaders.reset(new (std::nothrow) BufferHeader*[HOST_HEADERS_PER_DIRECTION]());
  stream.outputStore.reset(new (std::nothrow) BufferHeader[HOST_HEADERS_PER_DIRECTION]);
  stream.inputStore.reset(new (std::nothrow) BufferHeader[HOST_HEADERS_PER_DIRECTION]);
  if (!stream.outputHeaders || !stream.inputHeaders || !stream.outputStore || !stream.inputStore) {
    return false;
  }
  for (int i = 0; i < HOST_HEADERS_PER_DIRECTION; ++i) {
    stream.outputHeaders[i] = &stream.outputStore[i];
    stream.inputHeaders[i] = &stream.inputStore[i];
  }
  stream.portIndex = port;
  stream.unconstructed = false;
  return true;
}

bool allocateBlocks(Stream& stream, const StreamConfig& config) {
  const ModeFlags flags = hostFlags();
  if (hostState().mode == 0 || stream.unconstructed || stream.allocated) return false;
  stream.outputCallback = config.outputCallback;
  stream.inputCallback = config.inputCallback;
  stream.user = config.user;
  stream.framesPerHeader = config.framesPerHeader;
  const std::uint64_t headerBytes = 2ull * static_cast<std::uint64_t>(config.framesPerHeader);
  const std::uint64_t blockBytes = headerBytes * HOST_HEADERS_PER_DIRECTION * (flags.mono ? 1 : 2);
  if (blockBytes > 0xFFFFFFFFull) return false;
  const auto deviceId = static_cast<std::uint32_t>(config.port + DEVICE_ID_BASE);
  if (flags.hasOutput && !flags.inputOnly) {
    stream.outputHeaderBytes = static_cast<std::uint32_t>(headerBytes);
    stream.outputBlockBytes = static_cast<std::uint32_t>(blockBytes);
    stream.outputBlock.reset(new (std::nothrow) char[blockBytes]);
    if (!stream.outputBlock) return false;
    stream.outputDeviceId = deviceId;
  }
  if (flags.hasInput) {
    stream.inputHeaderBytes = static_cast<std::uint32_t>(headerBytes);
    stream.inputBlockBytes = static_cast<std::uint32_t>(blockBytes);
    stream.inputBlock.reset(new (std::nothrow) char[blockBytes]);
    if (!stream.inputBlock) return false;
    stream.inputDeviceId = deviceId;
  }
  stream.allocated = true;
  return true;
}

void prepareHeader(BufferHeader& header, char* data, std::uint32_t length, std::uint32_t user) {
  header.data = data;
  header.length = length;
  header.user = user;
  header.recorded = 0;
  header.setState(0);
  header.loops = 0;
  header.next = nullptr;
  header.reserved = 0;
}

void outputHandler(std::uint32_t, std::uint32_t message, void* instance, BufferHeader* header,
                   std::uintptr_t) {
  auto* stream = static_cast<Stream*>(instance);
  if (stream == nullptr || header == nullptr || message != OUTPUT_DONE) return;
  stream->outputCallback(reinterpret_cast<std::int16_t*>(header->data), header->length,
                         stream->user);
  OutSubmit(stream->outputDeviceId, header);
}

void inputHandler(std::uint32_t, std::uint32_t message, void* instance, BufferHeader* header,
                  std::uintptr_t) {
  auto* stream = static_cast<Stream*>(instance);
  if (stream == nullptr || header == nullptr || message != INPUT_DATA) return;
  stream->inputCallback(reinterpret_cast<std::int16_t*>(header->data), header->length,
                        stream->user);
  InSubmit(stream->inputDeviceId, header);
}

}  // namespace

Stream* streamOf(std::int32_t port) {
  return existing(port);
}

}  // namespace host

using host::hostState;

bool StreamOpen(const StreamConfig* config) {
  if (config == nullptr || !host::portUsable(config->port)) return false;
  host::HostState& s = hostState();
  if (s.streams[config->port] != nullptr) return false;
  const std::int32_t preferred = s.preferredFrames;
  const std::int32_t frames = config->framesPerHeader;
  if (preferred <= 0 || frames % preferred != 0 || frames / 2 < preferred) return false;

  auto* stream = new (std::nothrow) host::Stream;
  if (stream == nullptr) return false;
  s.streams[config->port] = stream;
  if (!host::construct(*stream, config->port)) return false;
  host::HostPort* port = s.ports[config->port];
  if (port != nullptr && config->setOutputFormat) port->setOutputFormat();
  if (port != nullptr && config->setInputFormat) port->setInputFormat();
  return host::allocateBlocks(*stream, *config);
}

bool StreamPrime(std::int32_t port) {
  host::Stream* stream = host::existing(port);
  if (stream == nullptr || !stream->allocated || stream->outputPrepared || stream->inputPrepared) {
    return false;
  }
  const host::ModeFlags flags = host::hostFlags();
  const bool output = flags.hasOutput && !flags.inputOnly;
  if (output && (stream->outputCallback == nullptr || !stream->outputBlock)) return false;
  if (flags.hasInput && (stream->inputCallback == nullptr || !stream->inputBlock)) return false;
  const std::uint32_t channels = flags.mono ? 1 : 2;

  if (output) {
    std::memset(stream->outputBlock.get(), 0, stream->outputBlockBytes);
    const std::uint32_t stride = stream->outputHeaderBytes * channels;
    for (std::uint32_t i = 0; i < host::HOST_HEADERS_PER_DIRECTION; ++i) {
      host::BufferHeader& header = *stream->outputHeaders[i];
      host::prepareHeader(header, stream->outputBlock.get() + i * stride, stream->outputHeaderBytes,
                          i);
      if (host::OutPrepare(stream->outputDeviceId, &header) != host::MMSYSERR_NOERROR) continue;
      stream->outputPrepared = true;
      stream->outputCallback(reinterpret_cast<std::int16_t*>(header.data), header.length,
                             stream->user);
      if (host::OutSubmit(stream->outputDeviceId, &header) != host::MMSYSERR_NOERROR) return false;
    }
  }
  if (flags.hasInput) {
    std::memset(stream->inputBlock.get(), 0, stream->inputBlockBytes);
    const std::uint32_t stride = stream->inputHeaderBytes * channels;
    for (std::uint32_t i = 0; i < host::HOST_HEADERS_PER_DIRECTION; ++i) {
      host::BufferHeader& header = *stream->inputHeaders[i];
      host::prepareHeader(header, stream->inputBlock.get() + i * stride, stream->inputHeaderBytes,
                          i);
      if (host::InPrepare(stream->inputDeviceId, &header) != host::MMSYSERR_NOERROR) continue;
      stream->inputPrepared = true;
      if (host::InSubmit(stream->inputDeviceId, &header) != host::MMSYSERR_NOERROR) return false;
    }
  }
  return true;
}

bool StreamStart(std::int32_t port) {
  host::Stream* stream = host::existing(port);
  if (stream == nullptr || !stream->allocated || stream->outputOpen || stream->inputOpen) {
    return false;
  }
  if (!stream->outputPrepared && !stream->inputPrepared) return false;
  const host::ModeFlags flags = host::hostFlags();
  if (flags.hasOutput && !flags.inputOnly) stream->outputOpen = true;
  if (flags.hasInput) stream->inputOpen = true;
  return host::PortOpen(port, host::outputHandler, host::inputHandler);
}

void StreamPause(std::int32_t port) {
  host::Stream* stream = host::existing(port);
  if (stream == nullptr) return;
  host::HostState& s = hostState();
  s.paused[port] = true;
  if (s.ports[port] != nullptr) s.ports[port]->stop();
}

void StreamResume(std::int32_t port) {
  host::Stream* stream = host::existing(port);
  if (stream == nullptr) return;
  host::HostState& s = hostState();
  s.paused[port] = false;
  if (s.ports[port] != nullptr) s.ports[port]->start();
}

void StreamStop(std::int32_t port) {
  host::Stream* stream = host::existing(port);
  if (stream == nullptr) return;
  if (stream->outputOpen) {
    host::OutClose(stream->outputDeviceId);
    stream->outputOpen = false;
    stream->outputPrepared = false;
  }
  if (stream->inputOpen) {
    host::InClose(stream->inputDeviceId);
    stream->inputOpen = false;
    stream->inputPrepared = false;
  }
}

void StreamClose(std::int32_t port) {
  host::HostState& s = hostState();
  if (!s.tablesReady || !s.streams || port < 0 || port >= s.portCount || port >= s.tableSize) {
    return;
  }
  host::Stream* stream = s.streams[port];
  if (stream == nullptr) return;
  StreamStop(port);
  if (stream->outputPrepared && stream->outputHeaders) {
    bool linked = false;
    for (int i = 0; i < host::HOST_HEADERS_PER_DIRECTION; ++i) {
      linked |= host::OutUnprepare(stream->outputDeviceId, stream->outputHeaders[i]) ==
                host::WAVERR_STILLPLAYING;
    }
    // a header still queued stays linked; the ring must not outlive the stream
    if (linked) host::OutClose(stream->outputDeviceId);
    stream->outputPrepared = false;
  }
  if (stream->inputPrepared && stream->inputHeaders) {
    bool linked = false;
    for (int i = 0; i < host::HOST_HEADERS_PER_DIRECTION; ++i) {
      linked |= host::InUnprepare(stream->inputDeviceId, stream->inputHeaders[i]) ==
                host::WAVERR_STILLPLAYING;
    }
    if (linked) host::InClose(stream->inputDeviceId);
    stream->inputPrepared = false;
  }
  if (stream->outputOpen) host::OutClose(stream->outputDeviceId);
  if (stream->inputOpen) host::InClose(stream->inputDeviceId);
  delete stream;
  s.streams[port] = nullptr;
}
