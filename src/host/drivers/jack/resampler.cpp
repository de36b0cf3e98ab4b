#include "host/drivers/jack/resampler.h"

#include <samplerate.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace jackdriver {

namespace {

constexpr int STEREO = 2;
// Medium sinc: an error floor far below 16-bit samples at a few percent of
// the best converter's cost and a third of its lag (bench/jack).
constexpr int CONVERTER = SRC_SINC_MEDIUM_QUALITY;

}  // namespace

Resampler::~Resampler() {
  release();
}

bool Resampler::configure(double ratio) {
  release();
  ratio_ = ratio;
  if (ratio == 1.0) return true;
  int error = 0;
  state_ = src_new(CONVERTER, STEREO, &error);
  if (state_ == nullptr) return false;
  src_set_ratio(state_, ratio);
  return true;
}

void Resampler::release() {
  if (state_ != nullptr) src_delete(state_);
  state_ = nullptr;
}

void Resampler::reset() {
  if (state_ == nullptr) return;
  src_reset(state_);
  src_set_ratio(state_, ratio_);
}

void Resampler::process(const float* in, long inFrames, float* out, long outCapacity, long& used,
                        long& written) {
  used = 0;
  written = 0;
  if (state_ == nullptr) {
    const long n = std::min(inFrames, outCapacity);
    if (n > 0) std::memmove(out, in, static_cast<std::size_t>(n) * STEREO * sizeof(float));
    used = written = n;
    return;
  }
  // The converter stops when its output is full or its input used up; a call
  // may need several passes when the input wraps its internal buffer.
  while (written < outCapacity) {
    SRC_DATA d{};
    d.data_in = in + used * STEREO;
    d.input_frames = inFrames - used;
    d.data_out = out + written * STEREO;
    d.output_frames = outCapacity - written;
    d.src_ratio = ratio_;
    if (src_process(state_, &d) != 0) return;
    used += d.input_frames_used;
    written += d.output_frames_gen;
    if (d.input_frames_used == 0 && d.output_frames_gen == 0) return;
  }
}

double Resampler::holdback(double ratio, long block) {
  if (ratio == 1.0 || block <= 0) return 0.0;
  Resampler probe;
  if (!probe.configure(ratio)) return 0.0;
  const long capacity = static_cast<long>(block * ratio) + 64;
  std::vector<float> in(static_cast<std::size_t>(block) * STEREO, 0.25f);
  std::vector<float> out(static_cast<std::size_t>(capacity) * STEREO);
  double worst = 0.0;
  double fed = 0.0;
  double produced = 0.0;
  // Enough blocks for the filter to fill and its phase pattern to show.
  for (int k = 0; k < 64; ++k) {
    long used = 0;
    long written = 0;
    probe.process(in.data(), block, out.data(), capacity, used, written);
    fed += static_cast<double>(used);
    produced += static_cast<double>(written);
    worst = std::max(worst, fed * ratio - produced);
  }
  return worst;
}

}  // namespace jackdriver
