// The virtual audio device: a driver with two inputs and two outputs that
// needs no hardware. A clock thread calls the host once per buffer period (or
// faster, for tests); what the host plays can be fed back to the inputs or
// captured to a WAV file, and the inputs can also sing a phrase or stay silent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/drivers/driver.h"
#include "host/drivers/virtual/capture_file.h"
#include "host/drivers/virtual/virtual_settings.h"

namespace virtualdevice {

inline constexpr const char* DEVICE_NAME = "Virtual Audio Device";
inline constexpr std::int32_t DEVICE_VERSION = 1;
inline constexpr std::int32_t CHANNELS_PER_DIRECTION = 2;

class VirtualDevice : public drivers::AsioDriver {
 public:
  explicit VirtualDevice(const VirtualSettings& settings, std::string settingsError);

  std::int32_t queryInterface(const drivers::ClassId& interfaceId, void** object) override;
  std::uint32_t addRef() override;
  std::uint32_t release() override;
  std::int32_t init(void* window) override;
  void getDriverName(char* name) override;
  std::int32_t getDriverVersion() override;
  void getErrorMessage(char* text) override;
  std::int32_t start() override;
  std::int32_t stop() override;
  std::int32_t getChannels(std::int32_t* inputs, std::int32_t* outputs) override;
  std::int32_t getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) override;
  std::int32_t getBufferSize(std::int32_t* minimum, std::int32_t* maximum, std::int32_t* preferred,
                             std::int32_t* granularity) override;
  std::int32_t canSampleRate(double sampleRate) override;
  std::int32_t getSampleRate(double* sampleRate) override;
  std::int32_t getChannelInfo(drivers::AsioChannelInfo* info) override;
  std::int32_t createBuffers(drivers::AsioBufferInfo* infos, std::int32_t count,
                             std::int32_t bufferSize,
                             const drivers::AsioCallbacks* callbacks) override;
  std::int32_t disposeBuffers() override;
  std::int32_t outputReady() override;

 protected:
  // Only release destroys a device; the COM server's subclass counts it out.
  ~VirtualDevice() override;

 private:
  struct Channel {
    std::vector<unsigned char> halves[2];
    bool created = false;
  };

  void run();
  void fillInputs(int half);
  void afterSwitch(int half);
  void writeSource(unsigned char* target, std::int32_t frames);

  std::atomic<std::uint32_t> references_{1};
  VirtualSettings settings_;
  std::string error_;
  bool initialised_ = false;
  std::int32_t sampleBytes_;
  std::int32_t bufferFrames_ = 0;
  Channel outputs_[CHANNELS_PER_DIRECTION];
  Channel inputs_[CHANNELS_PER_DIRECTION];
  const drivers::AsioCallbacks* callbacks_ = nullptr;
  std::vector<std::int16_t> phrase_;
  std::size_t phrasePosition_ = 0;
  CaptureFile capture_;

  std::thread clock_;
  std::mutex clockLock_;
  std::condition_variable clockWake_;
  bool stopRequested_ = false;
};

}  // namespace virtualdevice
