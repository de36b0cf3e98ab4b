// The stream on one port: a ring of 16 headers per direction whose blocks the
// application fills and reads through its callbacks. The Stream* functions of
// hostkit.h work on these records.
#pragma once

#include <cstdint>
#include <memory>

#include "host/buffer_header.h"
#include "host/host_constants.h"
#include "host/hostkit.h"

namespace host {

struct Stream {
  std::unique_ptr<BufferHeader*[]> outputHeaders;
  std::unique_ptr<BufferHeader*[]> inputHeaders;
  StreamCallback outputCallback = nullptr;
  StreamCallback inputCallback = nullptr;
  std::unique_ptr<char[]> outputBlock;
  std::unique_ptr<char[]> inputBlock;
  std::uint32_t outputDeviceId = 0;
  std::uint32_t inputDeviceId = 0;
  std::uint32_t outputBlockBytes = 0;
  std::uint32_t inputBlockBytes = 0;
  std::uint32_t outputHeaderBytes = 0;
  std::uint32_t inputHeaderBytes = 0;
  std::int32_t framesPerHeader = 0;
  std::uint32_t user = 0;
  std::int32_t portIndex = -1;
  std::uint32_t outputSampleBytes = 2;
  std::uint32_t inputSampleBytes = 2;
  bool outputOpen = false;
  bool inputOpen = false;
  bool outputPrepared = false;
  bool inputPrepared = false;
  bool unconstructed = true;
  bool allocated = false;
  // the headers themselves, HOST_HEADERS_PER_DIRECTION per direction
  std::unique_ptr<BufferHeader[]> outputStore;
  std::unique_ptr<BufferHeader[]> inputStore;
};

// The stream of a port, or null (for tests).
Stream* streamOf(std::int32_t port);

}  // namespace host
