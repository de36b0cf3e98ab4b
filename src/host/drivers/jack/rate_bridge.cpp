#include "host/drivers/jack/rate_bridge.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace jackdriver {

namespace {

constexpr int STEREO = 2;
// Frames of slack on top of the computed bounds, for rounding.
constexpr int SLACK = 4;

void interleave(const float* const* planes, float* out, long frames) {
  for (long i = 0; i < frames; ++i) {
    out[2 * i] = planes[0][i];
    out[2 * i + 1] = planes[1][i];
  }
}

void deinterleave(const float* in, float* const* planes, long frames) {
  for (long i = 0; i < frames; ++i) {
    planes[0][i] = in[2 * i];
    planes[1][i] = in[2 * i + 1];
  }
}

}  // namespace

bool RateBridge::Fifo::allocate(long frames) {
  data.reset(new (std::nothrow) float[static_cast<std::size_t>(frames) * STEREO]);
  capacity = data ? frames : 0;
  read = write = 0;
  return data != nullptr;
}

void RateBridge::Fifo::compact() {
  if (read == 0) return;
  const long n = level();
  if (n > 0)
    std::memmove(data.get(), readPos(), static_cast<std::size_t>(n) * STEREO * sizeof(float));
  read = 0;
  write = n;
}

bool RateBridge::configure(int hostFrames, double hostRate, double serverRate, int serverFrames,
                           int maxServerFrames) {
  release();
  if (hostFrames <= 0 || hostRate <= 0.0 || serverRate <= 0.0 || maxServerFrames <= 0) return false;
  hostFrames_ = hostFrames;
  maxServerFrames_ = maxServerFrames;
  const double toHostRatio = hostRate / serverRate;
  if (!toHost_.configure(toHostRatio) || !toServer_.configure(serverRate / hostRate)) {
    release();
    return false;
  }
  // A host buffer is asked for only when the output converter starves, so by
  // the end of a period the host has been asked for at most one buffer more
  // than the period and the output converter's lookahead need, while the
  // input converter has delivered the period less what it holds back. The run
  // of silence covers the difference.
  const int period = std::clamp(serverFrames, 1, maxServerFrames);
  const double inputHold = Resampler::holdback(toHostRatio, period);
  const double outputLookahead =
      Resampler::holdback(serverRate / hostRate, hostFrames) * toHostRatio;
  prefill_ = hostFrames + static_cast<int>(std::ceil(inputHold + outputLookahead)) + SLACK;
  outputLead_ = hostFrames + static_cast<int>(std::ceil(outputLookahead));

  const long maxHostPerPeriod = static_cast<long>(std::ceil(maxServerFrames * toHostRatio));
  maxBuffersPerPeriod_ = static_cast<int>(maxHostPerPeriod / hostFrames) + 3;
  const long inputFrames = prefill_ + maxHostPerPeriod + 2L * hostFrames + 64;
  const long outputFrames = 3L * hostFrames + 64;
  serverScratch_.reset(
      new (std::nothrow) float[static_cast<std::size_t>(maxServerFrames) * STEREO]);
  hostPlanes_.reset(new (std::nothrow) float[static_cast<std::size_t>(hostFrames) * 4]);
  if (!serverScratch_ || !hostPlanes_ || !input_.allocate(inputFrames) ||
      !output_.allocate(outputFrames)) {
    release();
    return false;
  }
  hostIn_[0] = hostPlanes_.get();
  hostIn_[1] = hostPlanes_.get() + hostFrames;
  hostOut_[0] = hostPlanes_.get() + 2 * hostFrames;
  hostOut_[1] = hostPlanes_.get() + 3 * hostFrames;
  reset();
  return true;
}

void RateBridge::release() {
  toHost_.release();
  toServer_.release();
  input_ = Fifo{};
  output_ = Fifo{};
  serverScratch_.reset();
  hostPlanes_.reset();
  hostIn_[0] = hostIn_[1] = nullptr;
  hostOut_[0] = hostOut_[1] = nullptr;
  hostFrames_ = 0;
}

void RateBridge::reset() {
  toHost_.reset();
  toServer_.reset();
  output_.read = output_.write = 0;
  input_.read = 0;
  input_.write = std::min<long>(prefill_, input_.capacity);
  if (input_.data) std::fill_n(input_.data.get(), input_.write * STEREO, 0.0f);
  underruns_ = 0;
  hostBuffers_ = 0;
}

void RateBridge::runHostBuffer(HostSide& host) {
  const long have = std::min<long>(input_.level(), hostFrames_);
  float* planes[2] = {hostPlanes_.get(), hostPlanes_.get() + hostFrames_};
  deinterleave(input_.readPos(), planes, have);
  input_.read += have;
  if (have < hostFrames_) {
    ++underruns_;
    for (float* p : planes) std::fill(p + have, p + hostFrames_, 0.0f);
  }
  host.hostBuffer(hostIn_, hostOut_);
  ++hostBuffers_;
  interleave(hostOut_, output_.writePos(), hostFrames_);
  output_.write += hostFrames_;
}

bool RateBridge::process(const float* const* in, float* const* out, int frames, HostSide& host) {
  if (frames <= 0) return true;
  if (frames > maxServerFrames_ || hostFrames_ == 0) {
    for (int c = 0; c < STEREO; ++c) std::fill_n(out[c], frames, 0.0f);
    return false;
  }
  // Inputs first, so that this period's input is there for its host buffers.
  interleave(in, serverScratch_.get(), frames);
  input_.compact();
  long used = 0;
  long written = 0;
  toHost_.process(serverScratch_.get(), frames, input_.writePos(), input_.capacity - input_.write,
                  used, written);
  input_.write += written;

  long produced = 0;
  int buffers = 0;
  for (;;) {
    toServer_.process(output_.readPos(), output_.level(), serverScratch_.get() + produced * STEREO,
                      frames - produced, used, written);
    output_.read += used;
    produced += written;
    if (produced == frames) break;
    // A converter that stops draining leaves no room for another buffer.
    output_.compact();
    if (buffers == maxBuffersPerPeriod_ || output_.capacity - output_.write < hostFrames_) {
      ++underruns_;
      std::fill(serverScratch_.get() + produced * STEREO, serverScratch_.get() + frames * STEREO,
                0.0f);
      break;
    }
    runHostBuffer(host);
    ++buffers;
  }
  deinterleave(serverScratch_.get(), out, frames);
  return true;
}

}  // namespace jackdriver
