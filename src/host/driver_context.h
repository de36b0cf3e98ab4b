// The driver context drives one opened audio driver: it initialises and
// queries it, creates its double buffers for the channel layout of a HostMode,
// supplies the callbacks, and on every buffer switch hands each attached
// HostPort the buffer halves it must fill or read.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "host/drivers/driver.h"
#include "host/host_mode.h"
#include "host/host_port.h"
#include "platform/event.h"

namespace host {

// The engine behind the callbacks, which carry no user pointer: one per
// process, reached through a process-wide pointer while a context lives.
struct EngineState {
  std::unique_ptr<HostPort*[]> ports;  // capacity usableChannels, filled from the front
  std::int32_t portCapacity = 0;
  TransferSet transfer;
  std::int32_t inputChannels = 0;
  std::int32_t outputChannels = 0;
  std::int32_t usableChannels = 0;
  std::int32_t minimumFrames = 0;
  std::int32_t maximumFrames = 0;
  std::int32_t preferredFrames = 0;
  std::int32_t granularity = 0;
  void* window = nullptr;
  std::int32_t mode = 0;
  double sampleRate = 0;
  bool outputReadySupported = false;
  std::int32_t inputLatency = 0;
  std::int32_t outputLatency = 0;
  std::int32_t bufferCount = 0;
  std::unique_ptr<drivers::AsioBufferInfo[]> bufferInfos;
  std::unique_ptr<drivers::AsioChannelInfo[]> channelInfos;
  std::int32_t sampleFormat = 0;
  std::mutex lock;  // guards the port table and every buffer switch (which only tries it)
  std::uint32_t bufferBytes = 0;
  std::uint16_t attachedPorts = 0;
  ModeFlags flags;
  drivers::AsioDriver* driver = nullptr;
  EngineState* retiredNext = nullptr;  // kept after its driver failed to stop
};

// Called, on a driver thread, when the driver asks for a reset; it must not
// block (the application posts itself a message and returns).
using DriverResetHandler = void (*)(void* window);
void setDriverResetHandler(DriverResetHandler handler);

class DriverContext {
 public:
  DriverContext() = default;
  ~DriverContext();
  DriverContext(const DriverContext&) = delete;
  DriverContext& operator=(const DriverContext&) = delete;

  // Initialises the driver; true when the context came up initialised. The
  // driver stays owned by whoever opened it.
  bool create(void* window, drivers::AsioDriver* driver);
  bool createBuffers(std::int32_t ports, std::int32_t mode);
  // The port attached for index (existing one in duplex), or null. The first
  // attachment starts the driver.
  HostPort* attachPort(std::int32_t index, platform::Event* event);
  void detachPort(HostPort* port);
  // Stops the driver, disposes its buffers and destroys the attached ports;
  // returns when no reset request is using the engine any more. When the
  // driver fails to stop, a switch may still run: its buffers are not
  // disposed and the engine and ports are kept for the rest of the process.
  void destroy();

  std::int32_t sampleRate();
  std::int32_t channelCount() const;
  std::int32_t bufferSize() const;

  bool initialised() const { return initialised_; }
  bool started() const { return started_; }
  bool buffersCreated() const { return buffersCreated_; }
  std::int32_t sampleFormat() const { return sampleFormat_; }
  std::int32_t channelType() const { return channelType_; }
  const char* errorText() const { return errorText_; }
  const char* driverName() const { return driverName_; }
  EngineState* engine() const { return engine_.get(); }

 private:
  char errorText_[128] = {};
  bool initialised_ = false;
  bool started_ = false;
  bool buffersCreated_ = false;
  std::int32_t sampleFormat_ = 0;
  char driverName_[128] = {};
  void* window_ = nullptr;
  std::int32_t driverVersion_ = 0;
  std::int32_t channelType_ = 0;
  drivers::AsioCallbacks callbacks_{};
  drivers::AsioDriver* driver_ = nullptr;
  std::unique_ptr<EngineState> engine_;
};

// The callbacks handed to the driver (exposed for tests that play the driver).
void engineBufferSwitch(std::int32_t halfIndex, std::int32_t directProcess);
void engineSampleRateDidChange(double sampleRate);
std::int32_t engineAsioMessage(std::int32_t selector, std::int32_t value, void* message,
                               double* opt);

}  // namespace host
