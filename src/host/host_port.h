// A HostPort joins a stream's rings of 16-bit BufferHeaders with the driver's
// double buffers: on every buffer switch it copies one driver buffer from the
// current output header into the driver's output halves and from the input
// halves into the current input header, converting the sample format, and
// hands used-up headers back by their flags and the port's event.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "host/buffer_header.h"
#include "host/host_mode.h"
#include "host/sample_convert.h"
#include "platform/event.h"

namespace host {

// The driver halves one port reads and writes on one switch; unused ones null.
struct TransferSet {
  void* output1 = nullptr;
  void* output2 = nullptr;
  void* input1 = nullptr;
  void* input2 = nullptr;
};

class HostPort {
 public:
  HostPort(std::uint32_t frames, std::uint16_t index, platform::Event* event, std::int32_t mode,
           std::int32_t format);
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  // The operations in their slot order (0 to 19); results are the device
  // layer's codes (0, 7, 33, 34).
  virtual bool addOutputHeader(BufferHeader* header);
  virtual std::uint32_t removeOutputHeader(BufferHeader* header);
  virtual bool addInputHeader(BufferHeader* header);
  virtual std::uint32_t removeInputHeader(BufferHeader* header);
  virtual std::uint32_t submitOutputHeader(BufferHeader* header);
  virtual std::uint32_t submitInputHeader(BufferHeader* header);
  virtual BufferHeader* outputRingHead();
  virtual BufferHeader* inputRingHead();
  virtual std::uint32_t resetOutput();
  virtual std::uint32_t resetInput();
  virtual bool outputPosition(std::uint32_t* frames);
  virtual void setAttenuation(std::uint32_t attenuation);
  virtual std::uint32_t attenuation();
  virtual bool start();
  virtual std::uint32_t stop();
  virtual bool isRunning();
  virtual std::uint16_t index();
  virtual std::uint32_t setOutputFormat();
  virtual std::uint32_t setInputFormat();
  virtual std::uint32_t formatFlags();

  // Destruction waits until no switch is inside the port.
  virtual ~HostPort();

  // One buffer switch for a running port (driver thread, engine lock held);
  // never waits for the port lock.
  void process(const TransferSet& transfer);

  // A stopped port's outputs are zeroed on its first few switches only; the
  // buffer switch keeps the count here (driver thread, engine lock held).
  std::uint32_t idleCount() const { return idleCount_.load(std::memory_order_relaxed); }
  void countIdleSwitch() { idleCount_.fetch_add(1, std::memory_order_relaxed); }
  std::uint32_t driverBytes() const { return driverBytes_; }
  std::int32_t mode() const { return mode_; }
  platform::Event* event() const { return event_; }

 private:
  struct Ring {
    BufferHeader* head = nullptr;
    BufferHeader* current = nullptr;
    char* cursor = nullptr;
    char* blockStart = nullptr;
    char* blockEnd = nullptr;
    std::uint32_t headerLength = 0;
  };

  void resetLocked();
  static bool addHeader(Ring& ring, BufferHeader* header);
  std::uint32_t removeHeader(Ring& ring, BufferHeader* header);
  std::uint32_t resetRing(Ring& ring);
  // Moves to the next header when the current block is used up; true if so.
  static bool advance(Ring& ring);
  void convertOutput(const TransferSet& transfer);
  void convertInput(const TransferSet& transfer);
  void zeroOutputs(const TransferSet& transfer);

  std::atomic<bool> running_{false};
  bool outputFormatFlag_ = false;
  bool inputFormatFlag_ = false;
  std::int16_t outputFrameBytes_ = 2;
  std::int16_t inputFrameBytes_ = 2;
  std::uint16_t index_;
  std::atomic<std::uint32_t> idleCount_{0};
  std::int32_t mode_;
  std::int32_t format_;
  ModeFlags flags_;
  Ring output_;
  Ring input_;
  platform::Event* event_;
  std::mutex lock_;
  std::atomic<std::uint32_t> outputBits_{16};
  std::atomic<std::uint32_t> attenuation_{0};
  std::uint32_t frames_;
  std::uint32_t driverBytes_;
  SampleConverters converters_;
};

}  // namespace host
