// The stream on one port: a ring of 16 headers per direction whose blocks the
// application fills and reads through its callbacks, and the steps the Stream*
// functions of hostkit.h are made of. Output and input differ only by
// direction, so each step takes the direction it works on.
#pragma once

#include <cstdint>
#include <memory>

#include "host/buffer_header.h"
#include "host/device_layer.h"
#include "host/host_state.h"
#include "host/hostkit.h"

namespace host {

// One direction of a stream.
struct StreamSide {
  std::unique_ptr<BufferHeader*[]> headers;
  // the headers themselves, HOST_HEADERS_PER_DIRECTION of them
  std::unique_ptr<BufferHeader[]> store;
  StreamCallback callback = nullptr;
  std::unique_ptr<char[]> block;
  std::uint32_t deviceId = 0;
  std::uint32_t blockBytes = 0;
  std::uint32_t headerBytes = 0;
  bool open = false;
  bool prepared = false;
};

struct Stream {
  HostState* host = nullptr;  // the host whose port the stream runs on
  StreamSide output;
  StreamSide input;
  std::int32_t framesPerHeader = 0;
  std::uint32_t user = 0;
  bool unconstructed = true;
  bool allocated = false;

  StreamSide& side(Direction direction) { return direction == Direction::Output ? output : input; }
};

// The first requirement of every stream operation: the tables exist and the
// index names a port of the layout.
bool streamPortUsable(const HostState& state, std::int32_t port);
// The stream of a port of the host's layout, or null.
Stream* existingStream(HostState& state, std::int32_t port);

// Creates the stream's header rings for port.
bool constructStream(HostState& state, Stream& stream);
// Takes the callbacks and header size of config and allocates the blocks of
// the directions the host's mode has.
bool allocateBlocks(HostState& state, Stream& stream, const StreamConfig& config);
// Prepares and submits the direction's headers, filling each output header
// through the output callback first.
bool primeSide(HostState& state, Stream& stream, Direction direction);
// Starts delivery of the stream's port to the stream's callbacks.
bool openPort(HostState& state, std::int32_t port);
// Closes an open direction: delivery ends and its ring is emptied.
void stopSide(HostState& state, Stream& stream, Direction direction);
// Unprepares a prepared direction's headers.
void unprepareSide(HostState& state, Stream& stream, Direction direction);

}  // namespace host
