// A PortClient delivers a port's used-up headers: its thread waits on the
// port's event, walks the rings by their flags and hands every used-up output
// header and every filled input header to the stream's handlers.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "host/buffer_header.h"
#include "platform/event.h"

namespace host {

// Called as (device id, message, instance, header, 0) on the delivery thread.
using DeviceHandler = void (*)(std::uint32_t deviceId, std::uint32_t message, void* instance,
                               BufferHeader* header, std::uintptr_t reserved);

struct PortClientSetup {
  platform::Event* event = nullptr;
  void* outputInstance = nullptr;
  void* inputInstance = nullptr;
  DeviceHandler outputHandler = nullptr;
  DeviceHandler inputHandler = nullptr;
  BufferHeader* outputHead = nullptr;
  BufferHeader* inputHead = nullptr;
  std::int32_t portIndex = 0;
  bool inputOnly = false;
  bool duplex = false;
};

class PortClient {
 public:
  explicit PortClient(const PortClientSetup& setup);
  // Stops the thread first.
  ~PortClient();
  PortClient(const PortClient&) = delete;
  PortClient& operator=(const PortClient&) = delete;

  // Starts the delivery thread; false without an event or when the thread
  // cannot be started.
  bool start();
  // Ends delivery: the handler in progress finishes, then the thread ends; it
  // has ended when this returns. Never call it from a handler.
  void stop();

  bool running() const { return running_.load(std::memory_order_relaxed); }
  // True when the system granted the delivery thread a raised priority.
  bool priorityRaised() const { return priorityRaised_.load(std::memory_order_relaxed); }

 private:
  void deliver();
  void deliverOutputs();

  PortClientSetup setup_;
  BufferHeader* currentOutput_;
  BufferHeader* currentInput_;
  std::atomic<bool> running_{false};
  std::atomic<bool> priorityRaised_{false};
  std::thread thread_;
};

}  // namespace host
