#include "host/drivers/jack/jack_driver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "host/drivers/jack/jack_client.h"
#include "host/drivers/jack/jack_constants.h"

namespace jackdriver {

using namespace drivers;

namespace {

// Drivers whose process callback was still inside the host's switch when
// they were released: they stay, reachable from here, for the rest of the
// process, since the callback goes on in them.
std::atomic<JackDriver*> abandoned[4];

}  // namespace

JackDriver::JackDriver(const JackSettings& settings, std::string settingsError)
    : settings_(settings), settingsError_(std::move(settingsError)) {
  if (!codecFor(settings_.sampleType, codec_)) codecFor(SAMPLE_TYPE_INT32_LSB, codec_);
  sem_init(&notifierWake_, 0, 0);
}

JackDriver::~JackDriver() {
  if (started_) stop();
  if (buffersCreated_) disposeBuffers();
  client_.reset();
  sem_destroy(&notifierWake_);
}

std::int32_t JackDriver::queryInterface(const ClassId&, void** object) {
  if (object != nullptr) *object = nullptr;
  return DRIVER_NOT_PRESENT;
}

std::uint32_t JackDriver::addRef() {
  return ++references_;
}

std::uint32_t JackDriver::release() {
  const std::uint32_t left = --references_;
  if (left != 0) return left;
  if (stop() == DRIVER_OK) {
    delete this;
    return 0;
  }
  for (auto& slot : abandoned) {
    JackDriver* empty = nullptr;
    if (slot.compare_exchange_strong(empty, this)) break;
  }
  return 0;
}

void JackDriver::fail(const std::string& text) {
  errorText_ = text;
}

std::int32_t JackDriver::init(void*) {
  if (client_) return DRIVER_TRUE;
  try {
    if (!settingsError_.empty()) {
      fail(std::string(DRIVER_NAME) + ": " + settingsError_);
      return DRIVER_FALSE;
    }
    std::string error;
    client_ = JackClient::open(settings_.serverName, *this, error);
    if (!client_) {
      fail(error);
      return DRIVER_FALSE;
    }
    serverRate_ = client_->sampleRate();
    serverFrames_ = client_->periodFrames();
    if (serverRate_ <= 0.0 || serverFrames_ <= 0) {
      client_.reset();
      fail("the JACK server reports no sample rate or period");
      return DRIVER_FALSE;
    }
    presentedRate_ = settings_.presentServerRate ? serverRate_ : TRACK_RATE;
    // One host buffer lasts about as long as one server period.
    hostFrames_ =
        presentedRate_ == serverRate_
            ? serverFrames_
            : std::max(1,
                       static_cast<int>(std::lround(serverFrames_ * presentedRate_ / serverRate_)));
    currentFrames_.store(serverFrames_);
    currentRate_.store(serverRate_);
    return DRIVER_TRUE;
  } catch (...) {
    client_.reset();
    errorText_.clear();
    return DRIVER_FALSE;
  }
}

void JackDriver::getDriverName(char* name) {
  if (name != nullptr) std::snprintf(name, DRIVER_NAME_BYTES, "%s", DRIVER_NAME);
}

std::int32_t JackDriver::getDriverVersion() {
  return DRIVER_VERSION;
}

void JackDriver::getErrorMessage(char* text) {
  if (text != nullptr) std::snprintf(text, DRIVER_ERROR_BYTES, "%s", errorText_.c_str());
}

std::int32_t JackDriver::getChannels(std::int32_t* inputs, std::int32_t* outputs) {
  if (!client_) return DRIVER_NOT_PRESENT;
  if (inputs != nullptr) *inputs = CHANNELS;
  if (outputs != nullptr) *outputs = CHANNELS;
  return DRIVER_OK;
}

std::int32_t JackDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) {
  if (!buffersCreated_) return DRIVER_NOT_PRESENT;
  if (inputLatency != nullptr) *inputLatency = inputLatency_;
  if (outputLatency != nullptr) *outputLatency = outputLatency_;
  return DRIVER_OK;
}

std::int32_t JackDriver::getBufferSize(std::int32_t* minimum, std::int32_t* maximum,
                                       std::int32_t* preferred, std::int32_t* granularity) {
  if (!client_) return DRIVER_NOT_PRESENT;
  if (minimum != nullptr) *minimum = hostFrames_;
  if (maximum != nullptr) *maximum = hostFrames_;
  if (preferred != nullptr) *preferred = hostFrames_;
  if (granularity != nullptr) *granularity = 0;
  return DRIVER_OK;
}

std::int32_t JackDriver::canSampleRate(double sampleRate) {
  if (!client_) return DRIVER_NOT_PRESENT;
  return sampleRate == presentedRate_ ? DRIVER_OK : DRIVER_INVALID_MODE;
}

std::int32_t JackDriver::getSampleRate(double* sampleRate) {
  if (!client_) return DRIVER_NOT_PRESENT;
  if (gone_.load()) return DRIVER_HW_MALFUNCTION;
  if (sampleRate == nullptr) return DRIVER_INVALID_PARAMETER;
  *sampleRate = presentedRate_;
  return DRIVER_OK;
}

std::int32_t JackDriver::getChannelInfo(AsioChannelInfo* info) {
  if (!client_) return DRIVER_NOT_PRESENT;
  if (info == nullptr || info->channel < 0 || info->channel >= CHANNELS) {
    return DRIVER_INVALID_PARAMETER;
  }
  const int c = info->channel;
  const bool input = info->isInput != 0;
  info->isActive = (input ? inputs_[c] : outputs_[c]).created ? 1 : 0;
  info->channelGroup = 0;
  info->type = settings_.sampleType;
  std::snprintf(info->name, CHANNEL_NAME_BYTES, "%s",
                input ? INPUT_PORT_NAMES[c] : OUTPUT_PORT_NAMES[c]);
  return DRIVER_OK;
}

std::int32_t JackDriver::createBuffers(AsioBufferInfo* infos, std::int32_t count,
                                       std::int32_t bufferSize, const AsioCallbacks* callbacks) {
  if (!client_ || gone_.load()) return DRIVER_NOT_PRESENT;
  if (buffersCreated_) return DRIVER_INVALID_MODE;
  if (infos == nullptr || callbacks == nullptr || callbacks->bufferSwitch == nullptr ||
      count <= 0 || count > 2 * CHANNELS || bufferSize != hostFrames_) {
    return DRIVER_INVALID_PARAMETER;
  }
  bool seen[2][CHANNELS] = {};
  for (std::int32_t i = 0; i < count; ++i) {
    const int c = infos[i].channelNum;
    if (c < 0 || c >= CHANNELS) return DRIVER_INVALID_PARAMETER;
    bool& s = seen[infos[i].isInput != 0 ? 1 : 0][c];
    if (s) return DRIVER_INVALID_PARAMETER;
    s = true;
  }
  const std::size_t halfBytes = static_cast<std::size_t>(hostFrames_) * codec_.bytesPerSample;
  Buffer made[2][CHANNELS];
  for (std::int32_t i = 0; i < count; ++i) {
    Buffer& b = made[infos[i].isInput != 0 ? 1 : 0][infos[i].channelNum];
    b.halves.reset(new (std::nothrow) unsigned char[2 * halfBytes]());
    if (!b.halves) return DRIVER_NO_MEMORY;
    b.created = true;
  }
  if (!bridge_.configure(hostFrames_, presentedRate_, serverRate_, serverFrames_,
                         MAX_SERVER_FRAMES)) {
    return DRIVER_NO_MEMORY;
  }
  for (int c = 0; c < CHANNELS; ++c) {
    outputs_[c] = std::move(made[0][c]);
    inputs_[c] = std::move(made[1][c]);
  }
  for (std::int32_t i = 0; i < count; ++i) {
    Buffer& b =
        infos[i].isInput != 0 ? inputs_[infos[i].channelNum] : outputs_[infos[i].channelNum];
    infos[i].buffers[0] = b.halves.get();
    infos[i].buffers[1] = b.halves.get() + halfBytes;
  }
  callbacks_ = *callbacks;
  message_.store(callbacks_.asioMessage);
  buffersCreated_ = true;
  computeLatencies();
  // Started once the host's message callback is in place: a server gone
  // before it runs is reported as soon as it does.
  notifierEnding_.store(false);
  try {
    notifier_ = std::thread([this] { notify(); });
  } catch (...) {
    disposeBuffers();
    return DRIVER_NO_MEMORY;
  }
  return DRIVER_OK;
}

void JackDriver::computeLatencies() {
  const double toHost = presentedRate_ / serverRate_;
  const bool direct = presentedRate_ == serverRate_ && hostFrames_ == serverFrames_;
  // Without system ports to go by, count one period each way, the least a
  // double-buffered path has.
  int capture = settings_.autoconnect ? client_->systemCaptureLatency() : 0;
  int playback = settings_.autoconnect ? client_->systemPlaybackLatency() : 0;
  if (capture == 0) capture = serverFrames_;
  if (playback == 0) playback = serverFrames_;
  inputLatency_ = static_cast<std::int32_t>(std::lround(capture * toHost)) +
                  (direct ? 0 : bridge_.inputLatency());
  outputLatency_ = static_cast<std::int32_t>(std::lround(playback * toHost)) +
                   (direct ? 0 : bridge_.outputLatency());
}

std::int32_t JackDriver::disposeBuffers() {
  if (!buffersCreated_) return DRIVER_INVALID_MODE;
  // a cycle still inside the host's switch writes into these buffers
  if (started_ && stop() != DRIVER_OK) return DRIVER_HW_MALFUNCTION;
  endNotifier();
  message_.store(nullptr);
  for (int c = 0; c < CHANNELS; ++c) {
    outputs_[c] = Buffer{};
    inputs_[c] = Buffer{};
  }
  bridge_.release();
  callbacks_ = AsioCallbacks{};
  buffersCreated_ = false;
  return DRIVER_OK;
}

std::int32_t JackDriver::start() {
  if (!buffersCreated_) return DRIVER_INVALID_MODE;
  if (started_) return DRIVER_OK;
  if (gone_.load()) return DRIVER_HW_MALFUNCTION;
  half_ = 0;
  direct_ = presentedRate_ == currentRate_.load() && hostFrames_ == currentFrames_.load();
  bridge_.reset();
  // Everything the process callback reads is in place before it may run.
  running_.store(true);
  if (!client_->activate()) {
    running_.store(false);
    return DRIVER_HW_MALFUNCTION;
  }
  if (settings_.autoconnect) client_->connectToSystem();
  started_ = true;
  return DRIVER_OK;
}

std::int32_t JackDriver::stop() {
  if (!started_) return DRIVER_OK;
  running_.store(false);
  // A cycle that saw running_ set may still be inside the host's switch.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(STOP_WAIT_MILLISECONDS);
  while (inProcess_.load() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  // Still inside: not stopped. Whoever would free what the cycle touches
  // must not do so; a later stop may succeed.
  if (inProcess_.load()) return DRIVER_HW_MALFUNCTION;
  if (!gone_.load()) client_->deactivate();
  started_ = false;
  return DRIVER_OK;
}

std::int32_t JackDriver::outputReady() {
  // Outputs are taken as soon as the switch returns, within the same cycle.
  return DRIVER_NOT_PRESENT;
}

void JackDriver::exchange(const float* const* in, float* const* out, int frames) {
  const std::size_t offset = static_cast<std::size_t>(half_) *
                             static_cast<std::size_t>(hostFrames_) *
                             static_cast<std::size_t>(codec_.bytesPerSample);
  for (int c = 0; c < CHANNELS; ++c) {
    if (inputs_[c].created) codec_.encode(in[c], inputs_[c].halves.get() + offset, frames);
  }
  callbacks_.bufferSwitch(half_, DRIVER_TRUE);
  for (int c = 0; c < CHANNELS; ++c) {
    if (outputs_[c].created)
      codec_.decode(outputs_[c].halves.get() + offset, out[c], frames);
    else
      std::fill_n(out[c], frames, 0.0f);
  }
  half_ ^= 1;
}

void JackDriver::process(const float* const* in, float* const* out, int frames) {
  inProcess_.store(true);
  if (!running_.load()) {
    for (int c = 0; c < CHANNELS; ++c) std::fill_n(out[c], frames, 0.0f);
    inProcess_.store(false);
    return;
  }
  if (direct_ && (frames != hostFrames_ || currentRate_.load() != presentedRate_)) {
    // The period or rate moved under a running stream: carry on through the
    // bridge until the application restarts.
    direct_ = false;
    bridge_.reset();
  }
  if (direct_)
    exchange(in, out, frames);
  else
    bridge_.process(in, out, frames, *this);
  inProcess_.store(false);
}

void JackDriver::hostBuffer(const float* const* in, float* const* out) {
  exchange(in, out, hostFrames_);
}

void JackDriver::postResetRequest() {
  if (auto message = message_.load()) message(MESSAGE_RESET_REQUEST, 0, nullptr, nullptr);
}

void JackDriver::serverPeriodChanged(int frames) {
  if (currentFrames_.exchange(frames) != frames) postResetRequest();
}

void JackDriver::serverRateChanged(double rate) {
  if (currentRate_.exchange(rate) != rate) postResetRequest();
}

void JackDriver::serverGone() {
  gone_.store(true);
  sem_post(&notifierWake_);
}

void JackDriver::notify() {
  for (;;) {
    while (sem_wait(&notifierWake_) != 0) {
    }
    if (notifierEnding_.load()) return;
    // The host hears of a dead server as a reset request: the program asks
    // the user to restart, and its stop still works.
    if (gone_.load() && !resetPosted_.exchange(true)) postResetRequest();
  }
}

void JackDriver::endNotifier() {
  if (!notifier_.joinable()) return;
  notifierEnding_.store(true);
  sem_post(&notifierWake_);
  notifier_.join();
}

}  // namespace jackdriver
