// The header of one block of 16-bit samples passed between a stream and a port,
// laid out in the manner of the waveform-audio buffer header. Headers travel
// between the application's, the delivery and the driver threads only through
// their flags, so the flags are atomic: whoever sets them publishes the block.
#pragma once

#include <atomic>
#include <cstdint>

namespace host {

struct BufferHeader {
  char* data = nullptr;        // the sample block
  std::uint32_t length = 0;    // bytes per channel in the block
  std::uint32_t recorded = 0;  // bytes recorded; 0 once prepared
  std::uint32_t user = 0;      // the client's value (the stream's ring position)
  std::atomic<std::uint32_t> flags{0};
  std::uint32_t loops = 0;
  BufferHeader* next = nullptr;  // next header of the port's ring, null at the tail
  std::uint32_t reserved = 0;

  std::uint32_t state() const { return flags.load(std::memory_order_acquire); }
  void setState(std::uint32_t value) { flags.store(value, std::memory_order_release); }
};

}  // namespace host
