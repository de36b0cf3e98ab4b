#include "host/host_port.h"

#include <cstring>

#include "host/host_constants.h"

namespace host {

HostPort::HostPort(std::uint32_t frames, std::uint16_t index, platform::Event* event,
                   std::int32_t mode, std::int32_t format)
    : index_(index),
      mode_(mode),
      format_(format),
      flags_(modeFlags(mode)),
      event_(event),
      frames_(frames),
      converters_(convertersFor(format)) {
  driverBytes_ = frames * converters_.driverSampleBytes;
  resetLocked();
}

HostPort::~HostPort() {
  // a switch inside the port holds its lock; wait for it to leave
  std::lock_guard guard(lock_);
}

void HostPort::resetLocked() {
  outputFormatFlag_ = false;
  inputFormatFlag_ = false;
  outputFrameBytes_ = 2;
  inputFrameBytes_ = 2;
  output_ = Ring{};
  input_ = Ring{};
  outputBits_.store(16, std::memory_order_relaxed);
  attenuation_.store(0, std::memory_order_relaxed);
  idleCount_.store(0, std::memory_order_relaxed);
}

bool HostPort::addHeader(Ring& ring, BufferHeader* header) {
  BufferHeader* tail = nullptr;
  for (BufferHeader* h = ring.head; h != nullptr; h = h->next) {
    // a header linked twice would close the ring into a loop
    if (h == header) return false;
    tail = h;
  }
  header->next = nullptr;
  header->setState(HEADER_LINKED);
  if (tail == nullptr) {
    ring.head = header;
    ring.current = header;
    ring.headerLength = header->length;
    ring.cursor = header->data;
    ring.blockStart = header->data;
    ring.blockEnd = header->data + header->length;
  } else {
    tail->next = header;
  }
  return true;
}

bool HostPort::addOutputHeader(BufferHeader* header) {
  if (header == nullptr) return false;
  std::lock_guard guard(lock_);
  return addHeader(output_, header);
}

bool HostPort::addInputHeader(BufferHeader* header) {
  if (header == nullptr) return false;
  std::lock_guard guard(lock_);
  return addHeader(input_, header);
}

std::uint32_t HostPort::removeHeader(Ring& ring, BufferHeader* header) {
  if (ring.head == nullptr) return MMSYSERR_NOMEM;
  if (header->state() & HEADER_QUEUED) return WAVERR_STILLPLAYING;
  if (ring.current == header) ring.current = nullptr;
  if (ring.head == header) {
    ring.head = header->next;
    if (ring.head == nullptr) resetLocked();
  } else {
    for (BufferHeader* h = ring.head; h != nullptr; h = h->next) {
      if (h->next == header) {
        h->next = header->next;
        break;
      }
    }
  }
  header->next = nullptr;
  header->setState(HEADER_UNLINKED);
  return MMSYSERR_NOERROR;
}

std::uint32_t HostPort::removeOutputHeader(BufferHeader* header) {
  if (header == nullptr) return MMSYSERR_NOMEM;
  std::lock_guard guard(lock_);
  return removeHeader(output_, header);
}

std::uint32_t HostPort::removeInputHeader(BufferHeader* header) {
  if (header == nullptr) return MMSYSERR_NOMEM;
  std::lock_guard guard(lock_);
  return removeHeader(input_, header);
}

std::uint32_t HostPort::submitOutputHeader(BufferHeader* header) {
  if (header == nullptr) return MMSYSERR_NOMEM;
  if ((header->state() & HEADER_PREPARED) == 0) return WAVERR_UNPREPARED;
  header->setState(HEADER_SUBMITTED);
  return MMSYSERR_NOERROR;
}

std::uint32_t HostPort::submitInputHeader(BufferHeader* header) {
  return submitOutputHeader(header);
}

BufferHeader* HostPort::outputRingHead() {
  std::lock_guard guard(lock_);
  return output_.head;
}

BufferHeader* HostPort::inputRingHead() {
  std::lock_guard guard(lock_);
  return input_.head;
}

std::uint32_t HostPort::resetRing(Ring& ring) {
  if (ring.head == nullptr) return MMSYSERR_NOMEM;
  for (BufferHeader* h = ring.head; h != nullptr;) {
    BufferHeader* next = h->next;
    h->setState(HEADER_UNLINKED);
    h->reserved = 0;
    h->next = nullptr;
    h = next;
  }
  resetLocked();
  return MMSYSERR_NOERROR;
}

std::uint32_t HostPort::resetOutput() {
  std::lock_guard guard(lock_);
  running_.store(false, std::memory_order_relaxed);
  idleCount_.store(0, std::memory_order_relaxed);
  return resetRing(output_);
}

std::uint32_t HostPort::resetInput() {
  std::lock_guard guard(lock_);
  running_.store(false, std::memory_order_relaxed);
  return resetRing(input_);
}

bool HostPort::outputPosition(std::uint32_t* frames) {
  std::lock_guard guard(lock_);
  std::uint32_t position = 0;
  if (output_.blockStart != nullptr && outputFrameBytes_ > 0) {
    position = static_cast<std::uint32_t>(output_.cursor - output_.blockStart) /
               static_cast<std::uint32_t>(outputFrameBytes_);
  }
  if (frames != nullptr) *frames = position;
  return true;
}

void HostPort::setAttenuation(std::uint32_t attenuation) {
  if (attenuation > 15) attenuation = 15;
  attenuation_.store(attenuation, std::memory_order_relaxed);
  outputBits_.store(16 - attenuation, std::memory_order_relaxed);
}

std::uint32_t HostPort::attenuation() {
  return attenuation_.load(std::memory_order_relaxed);
}

bool HostPort::start() {
  running_.store(true, std::memory_order_relaxed);
  return true;
}

std::uint32_t HostPort::stop() {
  running_.store(false, std::memory_order_relaxed);
  idleCount_.store(0, std::memory_order_relaxed);
  return MMSYSERR_NOERROR;
}

bool HostPort::isRunning() {
  return running_.load(std::memory_order_relaxed);
}

std::uint16_t HostPort::index() {
  return index_;
}

std::uint32_t HostPort::setOutputFormat() {
  std::lock_guard guard(lock_);
  outputFormatFlag_ = false;
  outputFrameBytes_ = 2;
  return 2;
}

std::uint32_t HostPort::setInputFormat() {
  std::lock_guard guard(lock_);
  inputFormatFlag_ = false;
  inputFrameBytes_ = 2;
  return 2;
}

std::uint32_t HostPort::formatFlags() {
  std::lock_guard guard(lock_);
  return (outputFormatFlag_ ? 1u : 0u) | (inputFormatFlag_ ? 2u : 0u);
}

bool HostPort::advance(Ring& ring) {
  if (ring.head == nullptr || ring.current == nullptr || ring.blockStart == nullptr) return false;
  if (ring.cursor < ring.blockEnd) return false;
  ring.current->setState(HEADER_USED_UP);
  ring.current = ring.current->next != nullptr ? ring.current->next : ring.head;
  ring.cursor = ring.current->data;
  ring.blockStart = ring.cursor;
  ring.blockEnd = ring.blockStart + ring.headerLength;
  return true;
}

void HostPort::convertOutput(const TransferSet& transfer) {
  // a block already used up gives nothing more
  if (output_.cursor == nullptr || output_.cursor >= output_.blockEnd) return;
  const std::uint32_t attenuation = attenuation_.load(std::memory_order_relaxed);
  const auto* channel1 = reinterpret_cast<const std::int16_t*>(output_.cursor);
  if (transfer.output1 != nullptr) {
    converters_.toDriver(channel1, transfer.output1, frames_, attenuation);
  }
  if (transfer.output2 != nullptr) {
    const auto* channel2 =
        reinterpret_cast<const std::int16_t*>(output_.cursor + output_.headerLength);
    converters_.toDriver(channel2, transfer.output2, frames_, attenuation);
  }
  output_.cursor += frames_ * 2;
}

void HostPort::convertInput(const TransferSet& transfer) {
  if (input_.cursor == nullptr || input_.cursor >= input_.blockEnd) return;
  auto* channel1 = reinterpret_cast<std::int16_t*>(input_.cursor);
  if (transfer.input1 != nullptr) converters_.fromDriver(transfer.input1, channel1, frames_);
  if (transfer.input2 != nullptr) {
    auto* channel2 = reinterpret_cast<std::int16_t*>(input_.cursor + input_.headerLength);
    converters_.fromDriver(transfer.input2, channel2, frames_);
  }
  input_.cursor += frames_ * 2;
}

void HostPort::zeroOutputs(const TransferSet& transfer) {
  if (transfer.output1 != nullptr) std::memset(transfer.output1, 0, driverBytes_);
  if (transfer.output2 != nullptr) std::memset(transfer.output2, 0, driverBytes_);
}

void HostPort::process(const TransferSet& transfer) {
  bool usedUp = false;
  {
    // The audio thread never waits: the lock is busy only while the
    // application's thread links, unlinks or resets headers, and then this
    // buffer plays silence and reads no input.
    std::unique_lock guard(lock_, std::try_to_lock);
    if (!guard.owns_lock()) {
      zeroOutputs(transfer);
      return;
    }
    const auto submitted = [](const BufferHeader* h) {
      return h != nullptr && h->state() == HEADER_SUBMITTED;
    };
    if (flags_.duplex) {
      if (submitted(output_.current) && submitted(input_.current)) {
        convertOutput(transfer);
        convertInput(transfer);
      } else {
        zeroOutputs(transfer);
      }
      const bool blocks = output_.current != nullptr && input_.current != nullptr &&
                          output_.blockStart != nullptr && input_.blockStart != nullptr;
      if (blocks && (output_.cursor >= output_.blockEnd || input_.cursor >= input_.blockEnd)) {
        usedUp = advance(output_);
        usedUp = advance(input_) || usedUp;
      }
    } else if (flags_.inputOnly) {
      if (submitted(input_.current)) {
        convertInput(transfer);
        usedUp = advance(input_);
      }
    } else {
      if (submitted(output_.current)) {
        convertOutput(transfer);
        usedUp = advance(output_);
      } else {
        zeroOutputs(transfer);
      }
    }
  }
  if (usedUp && event_ != nullptr) event_->set();
}

}  // namespace host
