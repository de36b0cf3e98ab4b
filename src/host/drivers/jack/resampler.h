// A stereo rate converter for the driver's audio thread: libsamplerate's
// medium sinc converter at a fixed ratio (a plain copy at ratio 1). Its output
// is time-aligned with its input; what it adds to the latency is the output it
// holds back until enough input has arrived (see holdback).
#pragma once

struct SRC_STATE_tag;

namespace jackdriver {

class Resampler {
 public:
  Resampler() = default;
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;
  ~Resampler();

  // Prepares a converter producing `ratio` output frames per input frame.
  // Allocates; false when the library refuses.
  bool configure(double ratio);
  void release();
  double ratio() const { return ratio_; }

  // Forgets the signal so far (safe on the audio thread).
  void reset();

  // Converts interleaved stereo frames: as much of `in` as fits in `out`.
  // Safe on the audio thread.
  void process(const float* in, long inFrames, float* out, long outCapacity, long& used,
               long& written);

  // The most output frames a converter of this ratio holds back while it is
  // fed blocks of `block` input frames. Measured on a converter of its own.
  static double holdback(double ratio, long block);

 private:
  SRC_STATE_tag* state_ = nullptr;
  double ratio_ = 1.0;
};

}  // namespace jackdriver
