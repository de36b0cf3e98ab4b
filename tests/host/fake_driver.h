// A driver played by the test itself: configurable channels, groups, sample
// type and buffer size, the calls it received in order, and buffer switches
// run on the test's thread when the test asks for them, or on a switch thread
// of the driver's own between start and stop, as a real driver runs them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/drivers/driver.h"

namespace hosttest {

class FakeDriver : public drivers::AsioDriver {
 public:
  std::int32_t inputs = 2;
  std::int32_t outputs = 2;
  std::int32_t type = drivers::SAMPLE_TYPE_INT16_LSB;
  std::vector<std::int32_t> groups;  // per output channel, 0 when absent
  std::int32_t preferred = 256;
  double rate = 44100.75;
  bool initOk = true;
  bool outputReadyOk = true;
  int inactiveChannel = -1;      // an output channel reporting inactive after createBuffers
  std::int32_t bufferType = -1;  // a different type reported for buffers, -1 none
  std::vector<std::string> calls;
  std::vector<drivers::AsioBufferInfo> buffers;
  const drivers::AsioCallbacks* callbacks = nullptr;
  int outputReadyCalls = 0;
  std::int32_t stopResult = drivers::DRIVER_OK;
  // Non-zero: start() runs a switch this often on a thread of its own, which
  // first calls onSwitchThread; stop() ends it.
  std::chrono::microseconds switchPeriod{0};
  void (*onSwitchThread)() = nullptr;
  std::atomic<long> threadSwitches{0};

  ~FakeDriver() override { endSwitchThread(); }

  std::int32_t queryInterface(const drivers::ClassId&, void**) override { return -1; }
  std::uint32_t addRef() override { return 1; }
  std::uint32_t release() override {
    calls.push_back("release");
    return 0;
  }
  std::int32_t init(void*) override {
    calls.push_back("init");
    return initOk ? drivers::DRIVER_TRUE : drivers::DRIVER_FALSE;
  }
  void getDriverName(char* name) override { std::strcpy(name, "Fake"); }
  std::int32_t getDriverVersion() override { return 3; }
  void getErrorMessage(char* text) override { std::strcpy(text, "no such hardware"); }
  std::int32_t start() override {
    calls.push_back("start");
    if (switchPeriod.count() > 0 && !switcher_.joinable()) {
      stopSwitching_ = false;
      switcher_ = std::thread([this] {
        if (onSwitchThread != nullptr) onSwitchThread();
        for (int h = 0; !stopSwitching_.load(); h ^= 1) {
          callbacks->bufferSwitch(h, 1);
          threadSwitches.fetch_add(1);
          std::this_thread::sleep_for(switchPeriod);
        }
      });
    }
    return 0;
  }
  std::int32_t stop() override {
    calls.push_back("stop");
    if (stopResult == drivers::DRIVER_OK) endSwitchThread();
    return stopResult;
  }
  void endSwitchThread() {
    stopSwitching_ = true;
    if (switcher_.joinable()) switcher_.join();
  }
  std::int32_t getChannels(std::int32_t* in, std::int32_t* out) override {
    *in = inputs;
    *out = outputs;
    return 0;
  }
  std::int32_t getLatencies(std::int32_t* in, std::int32_t* out) override {
    *in = *out = preferred;
    return 0;
  }
  std::int32_t getBufferSize(std::int32_t* mn, std::int32_t* mx, std::int32_t* pref,
                             std::int32_t* gran) override {
    *mn = *mx = *pref = preferred;
    *gran = 0;
    return 0;
  }
  std::int32_t getSampleRate(double* r) override {
    *r = rate;
    return 0;
  }
  std::int32_t getChannelInfo(drivers::AsioChannelInfo* info) override {
    const std::int32_t count = info->isInput ? inputs : outputs;
    if (info->channel < 0 || info->channel >= count) return drivers::DRIVER_INVALID_PARAMETER;
    info->channelGroup = (!info->isInput && info->channel < static_cast<int>(groups.size()))
                             ? groups[info->channel]
                             : 0;
    info->type = type;
    info->isActive = 0;
    for (const auto& b : buffers) {
      if (b.isInput == info->isInput && b.channelNum == info->channel) info->isActive = 1;
    }
    if (!buffers.empty() && !info->isInput && info->channel == inactiveChannel) info->isActive = 0;
    if (!buffers.empty() && bufferType >= 0) info->type = bufferType;
    return 0;
  }
  std::int32_t createBuffers(drivers::AsioBufferInfo* infos, std::int32_t count, std::int32_t size,
                             const drivers::AsioCallbacks* cb) override {
    calls.push_back("createBuffers");
    const int bytes = type == 16 ? 2 : type == 17 ? 3 : 4;
    storage_.assign(static_cast<std::size_t>(count) * 2,
                    std::vector<unsigned char>(static_cast<std::size_t>(size) * bytes, 0xAB));
    for (std::int32_t i = 0; i < count; ++i) {
      infos[i].buffers[0] = storage_[2 * i].data();
      infos[i].buffers[1] = storage_[2 * i + 1].data();
    }
    buffers.assign(infos, infos + count);
    callbacks = cb;
    return 0;
  }
  std::int32_t disposeBuffers() override {
    calls.push_back("disposeBuffers");
    return 0;
  }
  std::int32_t outputReady() override {
    ++outputReadyCalls;
    return outputReadyOk ? 0 : drivers::DRIVER_NOT_PRESENT;
  }

  // Half h of buffer record j as 16-bit samples (type 16 only).
  std::int16_t* half16(int record, int h) {
    return reinterpret_cast<std::int16_t*>(buffers[record].buffers[h]);
  }
  void bufferSwitch(int h) { callbacks->bufferSwitch(h, 1); }

 private:
  std::vector<std::vector<unsigned char>> storage_;
  std::thread switcher_;
  std::atomic<bool> stopSwitching_{false};
};

}  // namespace hosttest
