#include "virtual_device.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>
#include <string_view>
#include <system_error>

#include "voice_phrase.h"

namespace virtualdevice {

namespace {

// A view, not a string: the driver's getters must not allocate (and so throw).
void copyText(char* target, std::size_t capacity, std::string_view text) {
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

// After a stall of this many periods the realtime clock starts afresh
// instead of calling back in a burst to catch up.
constexpr int MAX_LATE_PERIODS = 4;

// The clock thread asks for a raised priority (a lower nice value of its own)
// and runs at normal priority when the system refuses.
void raiseClockPriority() {
#ifdef _WIN32
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
#else
  constexpr int RAISED_NICE = -10;
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), RAISED_NICE);
#endif
}

}  // namespace

VirtualDevice::VirtualDevice(const VirtualSettings& settings, std::string settingsError)
    : settings_(settings),
      error_(std::move(settingsError)),
      sampleBytes_(sampleBytesOf(settings.sampleType)) {}

VirtualDevice::~VirtualDevice() {
  stop();
  capture_.close();
}

std::int32_t VirtualDevice::queryInterface(const drivers::ClassId&, void** object) {
  if (object == nullptr) return drivers::DRIVER_INVALID_PARAMETER;
  addRef();
  *object = this;
  return drivers::DRIVER_OK;
}

std::uint32_t VirtualDevice::addRef() {
  return references_.fetch_add(1) + 1;
}

std::uint32_t VirtualDevice::release() {
  const std::uint32_t left = references_.fetch_sub(1) - 1;
  if (left == 0) delete this;
  return left;
}

std::int32_t VirtualDevice::init(void*) {
  if (!error_.empty()) return drivers::DRIVER_FALSE;
  if (!settings_.capturePath.empty() && !capture_.isOpen() &&
      !capture_.open(settings_.capturePath, settings_.sampleRate, sampleBytes_)) {
    error_ = "cannot create the capture file " + settings_.capturePath;
    return drivers::DRIVER_FALSE;
  }
  initialised_ = true;
  return drivers::DRIVER_TRUE;
}

void VirtualDevice::getDriverName(char* name) {
  if (name != nullptr) copyText(name, drivers::DRIVER_NAME_BYTES, DEVICE_NAME);
}

std::int32_t VirtualDevice::getDriverVersion() {
  return DEVICE_VERSION;
}

void VirtualDevice::getErrorMessage(char* text) {
  if (text != nullptr) copyText(text, drivers::DRIVER_ERROR_BYTES, error_);
}

std::int32_t VirtualDevice::getChannels(std::int32_t* inputs, std::int32_t* outputs) {
  if (!initialised_) return drivers::DRIVER_NOT_PRESENT;
  if (inputs != nullptr) *inputs = CHANNELS_PER_DIRECTION;
  if (outputs != nullptr) *outputs = CHANNELS_PER_DIRECTION;
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) {
  if (!initialised_) return drivers::DRIVER_NOT_PRESENT;
  // one period each way: loopback returns a buffer on the switch after it
  if (inputLatency != nullptr) *inputLatency = settings_.bufferFrames;
  if (outputLatency != nullptr) *outputLatency = settings_.bufferFrames;
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::getBufferSize(std::int32_t* minimum, std::int32_t* maximum,
                                          std::int32_t* preferred, std::int32_t* granularity) {
  if (!initialised_) return drivers::DRIVER_NOT_PRESENT;
  if (minimum != nullptr) *minimum = settings_.bufferFrames;
  if (maximum != nullptr) *maximum = settings_.bufferFrames;
  if (preferred != nullptr) *preferred = settings_.bufferFrames;
  if (granularity != nullptr) *granularity = 0;
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::canSampleRate(double sampleRate) {
  return sampleRate == settings_.sampleRate ? drivers::DRIVER_OK : drivers::DRIVER_NO_CLOCK;
}

std::int32_t VirtualDevice::getSampleRate(double* sampleRate) {
  if (!initialised_) return drivers::DRIVER_NOT_PRESENT;
  if (sampleRate == nullptr) return drivers::DRIVER_INVALID_PARAMETER;
  *sampleRate = settings_.sampleRate;
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::getChannelInfo(drivers::AsioChannelInfo* info) {
  if (!initialised_) return drivers::DRIVER_NOT_PRESENT;
  if (info == nullptr || info->channel < 0 || info->channel >= CHANNELS_PER_DIRECTION) {
    return drivers::DRIVER_INVALID_PARAMETER;
  }
  const bool input = info->isInput != 0;
  const Channel& channel = input ? inputs_[info->channel] : outputs_[info->channel];
  info->isActive = channel.created ? 1 : 0;
  info->channelGroup = 0;
  info->type = settings_.sampleType;
  std::snprintf(info->name, sizeof info->name, "%s %d", input ? "In" : "Out", info->channel + 1);
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::createBuffers(drivers::AsioBufferInfo* infos, std::int32_t count,
                                          std::int32_t bufferSize,
                                          const drivers::AsioCallbacks* callbacks) {
  if (!initialised_) return drivers::DRIVER_NOT_PRESENT;
  if (clock_.joinable() || callbacks_ != nullptr) return drivers::DRIVER_INVALID_MODE;
  if (infos == nullptr || callbacks == nullptr || callbacks->bufferSwitch == nullptr ||
      count <= 0 || count > 2 * CHANNELS_PER_DIRECTION || bufferSize != settings_.bufferFrames) {
    return drivers::DRIVER_INVALID_PARAMETER;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t number = infos[i].channelNum;
    if (number < 0 || number >= CHANNELS_PER_DIRECTION) return drivers::DRIVER_INVALID_PARAMETER;
    Channel& channel = infos[i].isInput != 0 ? inputs_[number] : outputs_[number];
    if (channel.created) return drivers::DRIVER_INVALID_PARAMETER;
    channel.created = true;  // marks duplicates; undone below on failure
  }
  const auto bytes = static_cast<std::size_t>(bufferSize) * static_cast<std::size_t>(sampleBytes_);
  try {
    for (std::int32_t i = 0; i < count; ++i) {
      Channel& channel =
          infos[i].isInput != 0 ? inputs_[infos[i].channelNum] : outputs_[infos[i].channelNum];
      for (int h = 0; h < 2; ++h) {
        channel.halves[h].assign(bytes, 0);
        infos[i].buffers[h] = channel.halves[h].data();
      }
    }
    if (settings_.input == InputSource::Voice) phrase_ = makeVoicePhrase(settings_.sampleRate);
  } catch (const std::bad_alloc&) {
    disposeBuffers();
    return drivers::DRIVER_NO_MEMORY;
  }
  bufferFrames_ = bufferSize;
  phrasePosition_ = 0;
  callbacks_ = callbacks;
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::disposeBuffers() {
  stop();
  for (Channel* group : {outputs_, inputs_}) {
    for (int c = 0; c < CHANNELS_PER_DIRECTION; ++c) {
      group[c].created = false;
      for (auto& half : group[c].halves) std::vector<unsigned char>().swap(half);
    }
  }
  callbacks_ = nullptr;
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::outputReady() {
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::start() {
  if (callbacks_ == nullptr) return drivers::DRIVER_INVALID_MODE;
  if (clock_.joinable()) return drivers::DRIVER_OK;
  {
    std::lock_guard guard(clockLock_);
    stopRequested_ = false;
  }
  try {
    clock_ = std::thread([this] { run(); });
  } catch (const std::exception&) {
    // No thread, or no memory for one.
    return drivers::DRIVER_HW_MALFUNCTION;
  }
  return drivers::DRIVER_OK;
}

std::int32_t VirtualDevice::stop() {
  if (!clock_.joinable()) return drivers::DRIVER_OK;
  {
    std::lock_guard guard(clockLock_);
    stopRequested_ = true;
  }
  clockWake_.notify_all();
  clock_.join();
  capture_.finish();
  return drivers::DRIVER_OK;
}

void VirtualDevice::writeSource(unsigned char* target, std::int32_t frames) {
  if (phrase_.empty()) {
    std::memset(target, 0, static_cast<std::size_t>(frames) * sampleBytes_);
    return;
  }
  for (std::int32_t i = 0; i < frames; ++i) {
    const std::int32_t s = phrase_[phrasePosition_];
    if (++phrasePosition_ == phrase_.size()) phrasePosition_ = 0;
    // the sample in the top 16 bits of the device's width, little-endian
    const auto value = static_cast<std::uint32_t>(s) << (8 * (sampleBytes_ - 2));
    for (std::int32_t b = 0; b < sampleBytes_; ++b) {
      target[i * sampleBytes_ + b] = static_cast<unsigned char>((value >> (8 * b)) & 0xFF);
    }
  }
}

void VirtualDevice::fillInputs(int half) {
  switch (settings_.input) {
    case InputSource::Voice: {
      // both inputs hear the same voice
      const std::size_t before = phrasePosition_;
      for (Channel& input : inputs_) {
        if (!input.created) continue;
        phrasePosition_ = before;
        writeSource(input.halves[half].data(), bufferFrames_);
      }
      if (!phrase_.empty()) {
        phrasePosition_ = (before + static_cast<std::size_t>(bufferFrames_)) % phrase_.size();
      }
      break;
    }
    case InputSource::Silence:
      for (Channel& input : inputs_) {
        if (input.created) std::memset(input.halves[half].data(), 0, input.halves[half].size());
      }
      break;
    case InputSource::Loopback:
      // filled from the outputs after the previous switch
      break;
  }
}

void VirtualDevice::afterSwitch(int half) {
  const Channel& left = outputs_[0];
  const Channel& right = outputs_[1];
  if (capture_.isOpen()) {
    capture_.append(left.created ? left.halves[half].data() : nullptr,
                    right.created ? right.halves[half].data() : nullptr, bufferFrames_);
  }
  if (settings_.input == InputSource::Loopback) {
    // what was just written comes back on the next switch, in the other half
    const int next = half ^ 1;
    for (int c = 0; c < CHANNELS_PER_DIRECTION; ++c) {
      Channel& input = inputs_[c];
      if (!input.created) continue;
      if (outputs_[c].created) {
        std::memcpy(input.halves[next].data(), outputs_[c].halves[half].data(),
                    input.halves[next].size());
      } else {
        std::memset(input.halves[next].data(), 0, input.halves[next].size());
      }
    }
  }
}

void VirtualDevice::run() {
  raiseClockPriority();
  using Clock = std::chrono::steady_clock;
  const double periodSeconds = static_cast<double>(bufferFrames_) / settings_.sampleRate /
                               (settings_.pacing == Pacing::Fast ? settings_.speed : 1);
  const auto period =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(periodSeconds));
  auto deadline = Clock::now();
  int half = 0;
  std::unique_lock lock(clockLock_);
  while (!stopRequested_) {
    lock.unlock();
    fillInputs(half);
    callbacks_->bufferSwitch(half, drivers::DRIVER_TRUE);
    afterSwitch(half);
    half ^= 1;
    deadline += period;
    const auto now = Clock::now();
    if (now - deadline > MAX_LATE_PERIODS * period) deadline = now;
    lock.lock();
    clockWake_.wait_until(lock, deadline, [this] { return stopRequested_; });
  }
}

}  // namespace virtualdevice
