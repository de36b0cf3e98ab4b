// The JACK driver: a client named "Cantora" with two inputs and two outputs
// behind the host's driver interface. The JACK process callback runs the
// host's buffer switch: directly, one switch per period, when the server runs
// at the presented rate and period; through the rate bridge otherwise.
#pragma once

#include <semaphore.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "host/drivers/driver.h"
#include "host/drivers/jack/jack_settings.h"
#include "host/drivers/jack/rate_bridge.h"
#include "host/drivers/jack/sample_codec.h"

namespace jackdriver {

class JackClient;

class JackDriver final : public drivers::AsioDriver, private HostSide {
 public:
  // settingsError is a reason the catalogue section cannot be used; init then
  // fails with it.
  JackDriver(const JackSettings& settings, std::string settingsError);

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

  // Called by the client wrapper from the server's threads.
  void process(const float* const* in, float* const* out, int frames);
  void serverPeriodChanged(int frames);
  void serverRateChanged(double rate);
  // Runs as JACK runs a shutdown handler, like a signal handler: it only sets
  // a flag and posts a semaphore; the notifier thread tells the host.
  void serverGone();

 private:
  ~JackDriver() override;

  void hostBuffer(const float* const* in, float* const* out) override;
  // Hands the host one buffer: inputs into half half_, the switch, that
  // half's outputs out; frames is the host's buffer size.
  void exchange(const float* const* in, float* const* out, int frames);
  void fail(const std::string& text);
  void postResetRequest();
  void computeLatencies();
  // The notifier thread: asks the host for a reset once the server has gone.
  void notify();
  void endNotifier();

  struct Buffer {
    bool created = false;
    std::unique_ptr<unsigned char[]> halves;  // two halves back to back
  };

  std::atomic<std::uint32_t> references_{1};
  JackSettings settings_;
  std::string settingsError_;
  std::string errorText_;
  std::unique_ptr<JackClient> client_;
  SampleCodec codec_;

  // Fixed at init.
  double serverRate_ = 0.0;
  double presentedRate_ = 0.0;
  int serverFrames_ = 0;
  int hostFrames_ = 0;

  // Fixed at createBuffers.
  drivers::AsioCallbacks callbacks_{};
  Buffer outputs_[2];
  Buffer inputs_[2];
  RateBridge bridge_;
  std::int32_t inputLatency_ = 0;
  std::int32_t outputLatency_ = 0;

  bool started_ = false;
  bool buffersCreated_ = false;

  // The audio thread's own state.
  std::int32_t half_ = 0;
  bool direct_ = true;

  // Shared between the application's thread and the server's threads.
  std::atomic<bool> running_{false};
  std::atomic<bool> inProcess_{false};
  std::atomic<bool> gone_{false};
  std::atomic<bool> resetPosted_{false};
  std::atomic<int> currentFrames_{0};
  std::atomic<double> currentRate_{0.0};
  // The host's message callback, readable from the server's notification
  // thread; null outside createBuffers .. disposeBuffers.
  std::atomic<std::int32_t (*)(std::int32_t, std::int32_t, void*, double*)> message_{nullptr};

  // Lives from createBuffers to disposeBuffers.
  std::thread notifier_;
  sem_t notifierWake_;
  std::atomic<bool> notifierEnding_{false};
};

}  // namespace jackdriver
