#include "host/driver_context.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "host/host_constants.h"

namespace host {

namespace {

std::atomic<EngineState*> currentEngine{nullptr};
std::atomic<DriverResetHandler> resetHandler{nullptr};
// Reset requests between reading the engine and returning from the handler;
// an engine is freed only when none is left.
std::atomic<int> messagesInFlight{0};
// Engines of drivers that failed to stop: a switch may still be inside one,
// so they are kept, reachable from here, for the rest of the process.
std::atomic<EngineState*> retiredEngines{nullptr};

void retire(EngineState* engine) {
  engine->retiredNext = retiredEngines.load();
  while (!retiredEngines.compare_exchange_weak(engine->retiredNext, engine)) {
  }
}

std::int32_t formatOfType(std::int32_t type) {
  switch (type) {
    case drivers::SAMPLE_TYPE_INT16_LSB:
      return FORMAT_INT16;
    case drivers::SAMPLE_TYPE_INT24_LSB:
      return FORMAT_INT24;
    case drivers::SAMPLE_TYPE_INT32_LSB:
      return FORMAT_INT32;
    default:
      return 0;
  }
}

TransferSet transferFor(const EngineState& engine, std::int32_t k, std::int32_t half) {
  const auto rec = [&](std::int32_t j) -> void* {
    if (j < 0 || j >= engine.bufferCount) return nullptr;
    return engine.bufferInfos[j].buffers[half];
  };
  const std::int32_t n = engine.usableChannels;
  TransferSet set;
  const ModeFlags& f = engine.flags;
  if (f.mono) {
    if (f.inputOnly) {
      set.input1 = rec(k);
    } else {
      set.output1 = rec(k);
      if (f.duplex) set.input1 = rec(n + k);
    }
  } else {
    if (f.inputOnly) {
      set.input1 = rec(2 * k);
      set.input2 = rec(2 * k + 1);
    } else {
      set.output1 = rec(2 * k);
      set.output2 = rec(2 * k + 1);
      if (f.duplex) {
        set.input1 = rec(n + 2 * k);
        set.input2 = rec(n + 2 * k + 1);
      }
    }
  }
  return set;
}

void zeroHalf(const EngineState& engine, std::int32_t record, std::int32_t half) {
  if (record < 0 || record >= engine.bufferCount) return;
  void* buffer = engine.bufferInfos[record].buffers[half];
  if (buffer != nullptr) std::memset(buffer, 0, engine.bufferBytes);
}

}  // namespace

void setDriverResetHandler(DriverResetHandler handler) {
  resetHandler.store(handler);
}

void engineBufferSwitch(std::int32_t halfIndex, std::int32_t /*directProcess*/) {
  EngineState* engine = currentEngine.load(std::memory_order_acquire);
  if (engine == nullptr) return;
  const std::int32_t half = halfIndex & 1;
  // The audio thread never waits: the lock is busy only while the
  // application's thread attaches or detaches a port, and that buffer is
  // silence.
  std::unique_lock guard(engine->lock, std::try_to_lock);
  if (!guard.owns_lock()) {
    for (std::int32_t j = 0; j < engine->bufferCount; ++j) {
      if (engine->bufferInfos[j].isInput == 0) zeroHalf(*engine, j, half);
    }
  } else {
    for (std::int32_t k = 0; k < engine->attachedPorts && k < engine->portCapacity; ++k) {
      HostPort* port = engine->ports[k];
      if (port == nullptr) break;
      if (port->isRunning()) {
        engine->transfer = transferFor(*engine, k, half);
        port->process(engine->transfer);
      } else if (!engine->flags.inputOnly && port->idleCount() < IDLE_ZERO_SWITCHES) {
        if (engine->flags.mono) {
          zeroHalf(*engine, k, half);
        } else {
          zeroHalf(*engine, 2 * k, half);
          zeroHalf(*engine, 2 * k + 1, half);
        }
        port->countIdleSwitch();
      }
    }
    guard.unlock();
  }
  if (engine->outputReadySupported && engine->driver != nullptr) engine->driver->outputReady();
}

void engineSampleRateDidChange(double /*sampleRate*/) {}

std::int32_t engineAsioMessage(std::int32_t selector, std::int32_t value, void* /*message*/,
                               double* /*opt*/) {
  switch (selector) {
    case drivers::MESSAGE_SELECTOR_SUPPORTED:
      switch (value) {
        case 2:
        case 3:
        case 5:
        case 6:
        case 7:
        case 8:
        case 10:
          return 1;
        default:
          return 0;
      }
    case drivers::MESSAGE_ENGINE_VERSION:
      return 2;
    case drivers::MESSAGE_RESET_REQUEST: {
      // The host has no window of its own: the application decides what to
      // do. Counted before the engine is read, so that destroy() waits for
      // this call instead of freeing the engine under it.
      messagesInFlight.fetch_add(1);
      EngineState* engine = currentEngine.load();
      const DriverResetHandler handler = resetHandler.load();
      if (engine != nullptr && handler != nullptr) handler(engine->window);
      messagesInFlight.fetch_sub(1);
      return 1;
    }
    case drivers::MESSAGE_BUFFER_SIZE_CHANGE:
      return 0;
    case drivers::MESSAGE_RESYNC_REQUEST:
    case drivers::MESSAGE_LATENCIES_CHANGED:
      return 1;
    case drivers::MESSAGE_SUPPORTS_TIME_INFO:
    case drivers::MESSAGE_SUPPORTS_TIME_CODE:
    default:
      return 0;
  }
}

DriverContext::~DriverContext() {
  destroy();
}

bool DriverContext::create(void* window, drivers::AsioDriver* driver) {
  window_ = window;
  driver_ = driver;
  initialised_ = started_ = buffersCreated_ = false;
  sampleFormat_ = 0;
  channelType_ = 0;
  errorText_[0] = '\0';
  if (driver_ == nullptr) return false;

  if (driver_->init(window) == drivers::DRIVER_FALSE) {
    char text[drivers::DRIVER_ERROR_BYTES + 4] = {};
    driver_->getErrorMessage(text);
    std::snprintf(errorText_, sizeof errorText_, "%s", text);
    return false;
  }
  driver_->getDriverName(driverName_);
  driverName_[sizeof driverName_ - 1] = '\0';
  driverVersion_ = driver_->getDriverVersion();

  engine_.reset(new (std::nothrow) EngineState);
  if (!engine_) return false;
  EngineState& engine = *engine_;
  engine.driver = driver_;
  engine.window = window;
  driver_->getChannels(&engine.inputChannels, &engine.outputChannels);
  driver_->getBufferSize(&engine.minimumFrames, &engine.maximumFrames, &engine.preferredFrames,
                         &engine.granularity);
  driver_->getSampleRate(&engine.sampleRate);

  std::int32_t counted = 0;
  std::int32_t group = 0;
  for (std::int32_t channel = 0; channel < engine.outputChannels; ++channel) {
    drivers::AsioChannelInfo info{};
    info.channel = channel;
    info.isInput = 0;
    if (driver_->getChannelInfo(&info) != drivers::DRIVER_OK) break;
    if (channel == 0) {
      group = info.channelGroup;
      channelType_ = info.type;
      ++counted;
    } else if (info.channelGroup == group) {
      ++counted;
    }
  }
  if (counted == 0) return false;
  sampleFormat_ = formatOfType(channelType_);
  if (sampleFormat_ == 0) return false;

  initialised_ = true;
  engine.usableChannels = counted;
  callbacks_.bufferSwitch = engineBufferSwitch;
  callbacks_.sampleRateDidChange = engineSampleRateDidChange;
  callbacks_.asioMessage = engineAsioMessage;
  callbacks_.bufferSwitchTimeInfo = nullptr;
  currentEngine.store(engine_.get(), std::memory_order_release);
  return true;
}

bool DriverContext::createBuffers(std::int32_t ports, std::int32_t mode) {
  if (!engine_ || mode == 0) return false;
  EngineState& engine = *engine_;
  engine.mode = mode;
  engine.sampleFormat = sampleFormat_;
  engine.flags = modeFlags(mode);
  const ModeFlags& f = engine.flags;

  const std::int32_t wanted = f.mono ? std::min(ports, 2) : 2 * std::min(ports, 1);
  engine.usableChannels = std::max(0, std::min(engine.usableChannels, wanted));
  std::int32_t n = engine.usableChannels;
  if (f.duplex && n > engine.inputChannels) {
    n = engine.inputChannels;
    engine.usableChannels = n;
  }
  const std::int32_t count = f.duplex ? 2 * n : n;
  if (count <= 0) return false;

  engine.bufferInfos.reset(new (std::nothrow) drivers::AsioBufferInfo[count]());
  engine.channelInfos.reset(new (std::nothrow) drivers::AsioChannelInfo[count]());
  if (!engine.bufferInfos || !engine.channelInfos) return false;
  engine.bufferCount = count;
  for (std::int32_t i = 0; i < n; ++i) {
    engine.bufferInfos[i].isInput = f.inputOnly ? 1 : 0;
    engine.bufferInfos[i].channelNum = i;
    if (f.duplex) {
      engine.bufferInfos[n + i].isInput = 1;
      engine.bufferInfos[n + i].channelNum = i;
    }
  }
  if (driver_->createBuffers(engine.bufferInfos.get(), count, engine.preferredFrames,
                             &callbacks_) != drivers::DRIVER_OK) {
    return false;
  }
  buffersCreated_ = true;
  engine.outputReadySupported = driver_->outputReady() == drivers::DRIVER_OK;

  for (std::int32_t i = 0; i < count; ++i) {
    drivers::AsioChannelInfo& info = engine.channelInfos[i];
    info.channel = engine.bufferInfos[i].channelNum;
    info.isInput = engine.bufferInfos[i].isInput;
    if (driver_->getChannelInfo(&info) != drivers::DRIVER_OK || info.isActive != 1 ||
        info.type != channelType_) {
      return false;
    }
  }
  const std::uint32_t sampleBytes = channelType_ == drivers::SAMPLE_TYPE_INT16_LSB   ? 2
                                    : channelType_ == drivers::SAMPLE_TYPE_INT24_LSB ? 3
                                                                                     : 4;
  engine.bufferBytes = static_cast<std::uint32_t>(engine.preferredFrames) * sampleBytes;
  for (std::int32_t i = 0; i < count; ++i) {
    for (void* half : engine.bufferInfos[i].buffers) {
      if (half != nullptr) std::memset(half, 0, engine.bufferBytes);
    }
  }
  driver_->getLatencies(&engine.inputLatency, &engine.outputLatency);
  return true;
}

HostPort* DriverContext::attachPort(std::int32_t index, platform::Event* event) {
  if (!engine_) return nullptr;
  EngineState& engine = *engine_;
  if (engine.flags.mono) {
    index = std::min(index, 1);
    if (index < 0 || index >= engine.usableChannels) return nullptr;
  } else {
    if (engine.usableChannels < 2) return nullptr;
    index = 0;
  }
  if (!engine.ports) {
    engine.ports.reset(new (std::nothrow) HostPort*[engine.usableChannels]());
    if (!engine.ports) return nullptr;
    engine.portCapacity = engine.usableChannels;
  } else if (engine.flags.duplex) {
    std::lock_guard guard(engine.lock);
    for (std::int32_t k = 0; k < engine.portCapacity; ++k) {
      if (engine.ports[k] != nullptr && engine.ports[k]->index() == index) return engine.ports[k];
    }
  }
  auto* port = new (std::nothrow)
      HostPort(static_cast<std::uint32_t>(engine.preferredFrames),
               static_cast<std::uint16_t>(index), event, engine.mode, engine.sampleFormat);
  if (port == nullptr) return nullptr;
  {
    std::lock_guard guard(engine.lock);
    if (engine.attachedPorts >= engine.portCapacity) {
      delete port;
      return nullptr;
    }
    engine.ports[engine.attachedPorts] = port;
    ++engine.attachedPorts;
  }
  if (!started_) {
    // the driver may call back before start returns
    if (driver_->start() != drivers::DRIVER_OK) return nullptr;
    started_ = true;
  }
  return port;
}

void DriverContext::detachPort(HostPort* port) {
  if (!engine_ || !engine_->ports || port == nullptr) return;
  EngineState& engine = *engine_;
  std::lock_guard guard(engine.lock);
  std::int32_t found = -1;
  for (std::int32_t k = 0; k < engine.portCapacity; ++k) {
    if (engine.ports[k] == port) found = k;
  }
  if (found < 0) return;
  delete port;
  engine.ports[found] = nullptr;
  --engine.attachedPorts;
  if (engine.attachedPorts > 0) {
    std::int32_t to = 0;
    for (std::int32_t k = 0; k < engine.portCapacity; ++k) {
      if (engine.ports[k] != nullptr) engine.ports[to++] = engine.ports[k];
    }
    for (; to < engine.portCapacity; ++to) engine.ports[to] = nullptr;
  }
}

void DriverContext::destroy() {
  bool stopped = true;
  if (driver_ != nullptr) {
    if (started_) stopped = driver_->stop() == drivers::DRIVER_OK;
    started_ = false;
    // A driver that did not stop may still be inside a switch, which writes
    // into its buffers: they stay.
    if (buffersCreated_ && stopped) driver_->disposeBuffers();
    buffersCreated_ = false;
  }
  if (engine_) {
    EngineState* expected = engine_.get();
    currentEngine.compare_exchange_strong(expected, nullptr);
    while (messagesInFlight.load() != 0) std::this_thread::yield();
    if (!stopped) {
      // leaking the engine and its ports is better than a switch in freed memory
      retire(engine_.release());
    } else {
      if (engine_->ports) {
        for (std::int32_t k = 0; k < engine_->portCapacity; ++k) delete engine_->ports[k];
      }
      engine_.reset();
    }
  }
  driver_ = nullptr;
  initialised_ = false;
}

std::int32_t DriverContext::sampleRate() {
  if (!engine_ || !initialised_ || driver_ == nullptr) return 0;
  if (driver_->getSampleRate(&engine_->sampleRate) != drivers::DRIVER_OK) return 0;
  if (!(engine_->sampleRate > 0) || engine_->sampleRate > 2147483647.0) return 0;
  return static_cast<std::int32_t>(std::floor(engine_->sampleRate));
}

std::int32_t DriverContext::channelCount() const {
  return engine_ ? engine_->usableChannels : 0;
}

std::int32_t DriverContext::bufferSize() const {
  return engine_ ? engine_->preferredFrames : 0;
}

}  // namespace host
