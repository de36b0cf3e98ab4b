#include "host/stream.h"

#include <cstring>
#include <new>

#include "host/host_constants.h"

namespace host {

namespace {

void resetHeader(BufferHeader& header, char* data, std::uint32_t length, std::uint32_t user) {
  header.data = data;
  header.length = length;
  header.user = user;
  header.recorded = 0;
  header.setState(0);
  header.loops = 0;
  header.next = nullptr;
  header.reserved = 0;
}

// Hands a used-up output header or a filled input header to the callback and
// queues it again.
template <Direction D>
void deliveryHandler(std::uint32_t, std::uint32_t message, void* instance, BufferHeader* header,
                     std::uintptr_t) {
  auto* stream = static_cast<Stream*>(instance);
  const std::uint32_t expected = D == Direction::Output ? OUTPUT_DONE : INPUT_DATA;
  if (stream == nullptr || header == nullptr || message != expected) return;
  StreamSide& side = stream->side(D);
  side.callback(reinterpret_cast<std::int16_t*>(header->data), header->length, stream->user);
  deviceSubmit(*stream->host, D, side.deviceId, header);
}

bool allocateSide(StreamSide& side, std::uint64_t headerBytes, std::uint64_t blockBytes,
                  std::uint32_t deviceId) {
  side.headerBytes = static_cast<std::uint32_t>(headerBytes);
  side.blockBytes = static_cast<std::uint32_t>(blockBytes);
  side.block.reset(new (std::nothrow) char[blockBytes]);
  if (!side.block) return false;
  side.deviceId = deviceId;
  return true;
}

}  // namespace

bool streamPortUsable(const HostState& s, std::int32_t port) {
  if (!s.tablesReady || !s.streams || port < 0 || port >= s.portCount || port >= s.tableSize) {
    return false;
  }
  return hostFlags(s).mono ? port <= 1 : port == 0;
}

Stream* existingStream(HostState& state, std::int32_t port) {
  return streamPortUsable(state, port) ? state.streams[port] : nullptr;
}

bool constructStream(HostState& state, Stream& stream) {
  for (StreamSide* side : {&stream.output, &stream.input}) {
    side->headers.reset(new (std::nothrow) BufferHeader*[HOST_HEADERS_PER_DIRECTION]());
    side->store.reset(new (std::nothrow) BufferHeader[HOST_HEADERS_PER_DIRECTION]);
  }
  if (!stream.output.headers || !stream.input.headers || !stream.output.store ||
      !stream.input.store) {
    return false;
  }
  for (StreamSide* side : {&stream.output, &stream.input}) {
    for (int i = 0; i < HOST_HEADERS_PER_DIRECTION; ++i) side->headers[i] = &side->store[i];
  }
  stream.host = &state;
  stream.unconstructed = false;
  return true;
}

bool allocateBlocks(HostState& state, Stream& stream, const StreamConfig& config) {
  const ModeFlags flags = hostFlags(state);
  if (state.mode == 0 || stream.unconstructed || stream.allocated) return false;
  stream.output.callback = config.outputCallback;
  stream.input.callback = config.inputCallback;
  stream.user = config.user;
  stream.framesPerHeader = config.framesPerHeader;
  const std::uint64_t headerBytes = 2ull * static_cast<std::uint64_t>(config.framesPerHeader);
  const std::uint64_t blockBytes = headerBytes * HOST_HEADERS_PER_DIRECTION * (flags.mono ? 1 : 2);
  if (blockBytes > 0xFFFFFFFFull) return false;
  const auto deviceId = static_cast<std::uint32_t>(config.port + DEVICE_ID_BASE);
  if (flags.hasOutput && !flags.inputOnly &&
      !allocateSide(stream.output, headerBytes, blockBytes, deviceId)) {
    return false;
  }
  if (flags.hasInput && !allocateSide(stream.input, headerBytes, blockBytes, deviceId)) {
    return false;
  }
  stream.allocated = true;
  return true;
}

bool primeSide(HostState& state, Stream& stream, Direction direction) {
  StreamSide& side = stream.side(direction);
  std::memset(side.block.get(), 0, side.blockBytes);
  const std::uint32_t stride = side.headerBytes * (hostFlags(state).mono ? 1 : 2);
  for (std::uint32_t i = 0; i < HOST_HEADERS_PER_DIRECTION; ++i) {
    BufferHeader& header = *side.headers[i];
    resetHeader(header, side.block.get() + i * stride, side.headerBytes, i);
    if (devicePrepare(state, direction, side.deviceId, &header) != MMSYSERR_NOERROR) continue;
    side.prepared = true;
    if (direction == Direction::Output) {
      side.callback(reinterpret_cast<std::int16_t*>(header.data), header.length, stream.user);
    }
    if (deviceSubmit(state, direction, side.deviceId, &header) != MMSYSERR_NOERROR) return false;
  }
  return true;
}

bool openPort(HostState& state, std::int32_t port) {
  return PortOpen(state, port, deliveryHandler<Direction::Output>,
                  deliveryHandler<Direction::Input>);
}

void stopSide(HostState& state, Stream& stream, Direction direction) {
  StreamSide& side = stream.side(direction);
  if (!side.open) return;
  deviceClose(state, direction, side.deviceId);
  side.open = false;
  side.prepared = false;
}

void unprepareSide(HostState& state, Stream& stream, Direction direction) {
  StreamSide& side = stream.side(direction);
  if (!side.prepared || !side.headers) return;
  bool linked = false;
  for (int i = 0; i < HOST_HEADERS_PER_DIRECTION; ++i) {
    linked |=
        deviceUnprepare(state, direction, side.deviceId, side.headers[i]) == WAVERR_STILLPLAYING;
  }
  // a header still queued stays linked; the ring must not outlive the stream
  if (linked) deviceClose(state, direction, side.deviceId);
  side.prepared = false;
}

}  // namespace host
