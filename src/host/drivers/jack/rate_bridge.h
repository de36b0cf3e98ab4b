// The bridge between the server's clock and the host's: in each server period
// it converts the server's inputs to the host's rate into a small input FIFO,
// asks the host for as many buffers as the output converter needs to fill the
// period, and converts the host's outputs back to the server's rate. Used when
// the server's rate or period differs from what the host was given.
//
// Timing: the host's output timeline is played at exactly hostRate/serverRate
// of the server's frames, so nothing drifts and no buffer is dropped or
// repeated. The input FIFO starts with a fixed run of silence, sized so that a
// host buffer is always there when asked for; that run is the fixed latency
// the bridge adds to the inputs.
#pragma once

#include <cstdint>
#include <memory>

#include "host/drivers/jack/resampler.h"

namespace jackdriver {

// What the bridge calls for each host buffer: `in` holds the host's input for
// it and `out` receives the host's output, both planar, two channels of
// hostFrames floats.
class HostSide {
 public:
  virtual void hostBuffer(const float* const* in, float* const* out) = 0;

 protected:
  ~HostSide() = default;
};

class RateBridge {
 public:
  // Allocates everything the audio thread needs for periods of up to
  // maxServerFrames; serverFrames is the current period, used to size the
  // input FIFO's run of silence. False when memory or the converter is
  // refused.
  bool configure(int hostFrames, double hostRate, double serverRate, int serverFrames,
                 int maxServerFrames);
  void release();

  // Starts over: empties the FIFOs, refills the input FIFO's run of silence and
  // forgets the converters' signal. Safe on the audio thread.
  void reset();

  // One server period of `frames` frames: planar inputs in, planar outputs out
  // (two channels each). Calls host.hostBuffer as often as the period needs.
  // A period longer than the bridge was prepared for is answered with silence
  // and false.
  bool process(const float* const* in, float* const* out, int frames, HostSide& host);

  // Frames at the host's rate between a sample reaching the server's input
  // and the same sample in a host buffer, beyond what a direct path has.
  int inputLatency() const { return prefill_; }
  // The most frames at the host's rate that a host buffer is asked for ahead
  // of its first sample being played, beyond what a direct path has.
  int outputLatency() const { return outputLead_; }

  // Host buffers that found too little input (filled with silence) or periods
  // the host could not fill (too many buffers asked for, or no room left for
  // another one because the output converter stopped draining); both stay 0
  // in a healthy run.
  std::uint64_t underruns() const { return underruns_; }
  std::uint64_t hostBuffers() const { return hostBuffers_; }

 private:
  struct Fifo {
    std::unique_ptr<float[]> data;  // interleaved stereo
    long capacity = 0;              // frames
    long read = 0;
    long write = 0;
    long level() const { return write - read; }
    float* writePos() { return data.get() + write * 2; }
    float* readPos() { return data.get() + read * 2; }
    void compact();
    bool allocate(long frames);
  };

  void runHostBuffer(HostSide& host);

  int hostFrames_ = 0;
  int maxServerFrames_ = 0;
  int maxBuffersPerPeriod_ = 0;
  int prefill_ = 0;
  int outputLead_ = 0;
  Resampler toHost_;    // server rate -> host rate, inputs
  Resampler toServer_;  // host rate -> server rate, outputs
  Fifo input_;
  Fifo output_;
  std::unique_ptr<float[]> serverScratch_;  // interleaved, maxServerFrames
  std::unique_ptr<float[]> hostPlanes_;     // 2 input + 2 output planes
  const float* hostIn_[2] = {nullptr, nullptr};
  float* hostOut_[2] = {nullptr, nullptr};
  std::uint64_t underruns_ = 0;
  std::uint64_t hostBuffers_ = 0;
};

}  // namespace jackdriver
