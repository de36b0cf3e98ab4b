// Plays the host's part against the JACK driver library: loads it as the host
// does (dlopen and the factory found by name), runs the driver's operations in
// the host's order, and in its buffer switch writes a known signal to the
// output halves and records the input halves. Also a client of the test's own
// for patching ports, changing the period and counting the server's frames,
// and a wait with a limit.
#pragma once

#include <dlfcn.h>
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/drivers/driver.h"

namespace jacktest {

// Polls done every 2 ms until it holds (true) or limit has passed (false).
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// The driver library, loaded once per process and never unloaded: libjack
// keeps threads and handlers that may outlive one driver.
inline CantoraDriverFactory driverFactory() {
  static CantoraDriverFactory factory = [] {
    void* library = dlopen(CANTORA_JACK_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
    return library != nullptr
               ? reinterpret_cast<CantoraDriverFactory>(dlsym(library, CANTORA_DRIVER_FACTORY_NAME))
               : nullptr;
  }();
  return factory;
}

inline drivers::AsioDriver* createDriver(
    const std::vector<std::pair<std::string, std::string>>& kv) {
  std::vector<drivers::DriverSetting> settings;
  for (const auto& [k, v] : kv) settings.push_back({k.c_str(), v.c_str()});
  drivers::AsioDriver* driver = nullptr;
  CantoraDriverFactory factory = driverFactory();
  if (factory == nullptr) return nullptr;
  if (factory(nullptr, settings.data(), static_cast<std::int32_t>(settings.size()), &driver) != 0)
    return nullptr;
  return driver;
}

// What the host's switch does, reached through one process-wide pointer as
// the callbacks carry none.
struct TestHost {
  int frames = 0;
  drivers::AsioBufferInfo infos[4] = {};
  std::vector<std::int16_t> play[2];      // played from the first switch on
  std::vector<std::int32_t> recorded[2];  // raw input values, preallocated
  std::atomic<std::int64_t> switches{0};
  std::atomic<int> halfErrors{0};
  std::int32_t expectedHalf = 0;

  static TestHost*& current() {
    static TestHost* host = nullptr;
    return host;
  }

  static void bufferSwitch(std::int32_t half, std::int32_t) {
    TestHost& h = *current();
    if (half != h.expectedHalf) h.halfErrors.fetch_add(1);
    h.expectedHalf = half ^ 1;
    const std::int64_t n = h.switches.load(std::memory_order_relaxed);
    for (int c = 0; c < 2; ++c) {
      void* out = h.infos[c].buffers[half];
      const void* in = h.infos[2 + c].buffers[half];
      for (int i = 0; i < h.frames; ++i) {
        const std::size_t at = static_cast<std::size_t>(n * h.frames + i);
        // 32-bit samples, the 16-bit one in the upper half
        const std::int32_t sample = (at < h.play[c].size() ? h.play[c][at] : 0) * 65536;
        std::memcpy(static_cast<char*>(out) + 4 * i, &sample, 4);
        if (at < h.recorded[c].size())
          std::memcpy(&h.recorded[c][at], static_cast<const char*>(in) + 4 * i, 4);
      }
    }
    h.switches.store(n + 1, std::memory_order_release);
  }
  static void rateChanged(double) {}
  static std::int32_t message(std::int32_t, std::int32_t, void*, double*) { return 1; }
  drivers::AsioCallbacks callbacks{bufferSwitch, rateChanged, message, nullptr};

  // Runs the host's set-up up to createBuffers and getLatencies; false with
  // the driver's error text in `error` when init fails, and false unless the
  // driver offers 32-bit samples.
  bool setUp(drivers::AsioDriver* driver, std::string& error, std::int32_t& inLatency,
             std::int32_t& outLatency) {
    current() = this;
    if (driver->init(nullptr) != drivers::DRIVER_TRUE) {
      char text[drivers::DRIVER_ERROR_BYTES] = {};
      driver->getErrorMessage(text);
      error = text;
      return false;
    }
    std::int32_t minimum = 0, maximum = 0, granularity = 0;
    if (driver->getBufferSize(&minimum, &maximum, &frames, &granularity) != 0) return false;
    drivers::AsioChannelInfo info{};
    info.channel = 0;
    info.isInput = 0;
    if (driver->getChannelInfo(&info) != 0) return false;
    if (info.type != drivers::SAMPLE_TYPE_INT32_LSB) return false;  // the driver's default
    for (int i = 0; i < 4; ++i) {
      infos[i].isInput = i >= 2 ? 1 : 0;
      infos[i].channelNum = i % 2;
    }
    if (driver->createBuffers(infos, 4, frames, &callbacks) != 0) return false;
    return driver->getLatencies(&inLatency, &outLatency) == 0;
  }

  // Room for `frames` recorded frames per channel.
  void record(std::size_t total) {
    for (auto& r : recorded) r.assign(total, 0);
  }
};

// A client of the test's own on the private server. A server busy with other
// clients (or a machine busy with builds) may refuse a new one for a moment,
// so the opening is tried again for up to 2 s; null when it never succeeds.
inline jack_client_t* openTestClient(const char* name) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (;;) {
    jack_status_t status{};
    if (jack_client_t* client = jack_client_open(name, JackNoStartServer, &status)) return client;
    if (std::chrono::steady_clock::now() > deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// The test's own client on the private server.
class JackPeer {
 public:
  // onCycle, when given, is called in each of the peer's cycles with the
  // frames counted so far; the peer's port "in" orders it after a client
  // that feeds it.
  explicit JackPeer(void (*onCycle)(std::int64_t frames) = nullptr) : onCycle_(onCycle) {
    client_ = openTestClient(PEER_NAME);
    if (client_ != nullptr) {
      jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
      jack_set_process_callback(client_, onProcess, this);
      jack_activate(client_);
    }
  }
  static constexpr const char* PEER_NAME = "cantora-peer";
  ~JackPeer() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  JackPeer(const JackPeer&) = delete;
  JackPeer& operator=(const JackPeer&) = delete;

  bool ok() const { return client_ != nullptr; }
  bool connect(const std::string& from, const std::string& to) {
    return jack_connect(client_, from.c_str(), to.c_str()) == 0;
  }
  bool connected(const std::string& from, const std::string& to) const {
    jack_port_t* port = jack_port_by_name(client_, from.c_str());
    return port != nullptr && jack_port_connected_to(port, to.c_str()) != 0;
  }
  bool setPeriod(int frames) {
    return jack_set_buffer_size(client_, static_cast<jack_nframes_t>(frames)) == 0;
  }
  // Server frames this peer has been called for (the clock benchmark's ruler).
  std::int64_t frames() const { return frames_.load(); }

 private:
  static int onProcess(jack_nframes_t n, void* arg) {
    auto* self = static_cast<JackPeer*>(arg);
    const std::int64_t total = self->frames_.fetch_add(n) + n;
    if (self->onCycle_ != nullptr) self->onCycle_(total);
    return 0;
  }
  void (*onCycle_)(std::int64_t frames);
  jack_client_t* client_ = nullptr;
  std::atomic<std::int64_t> frames_{0};
};

}  // namespace jacktest
