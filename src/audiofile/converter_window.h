// The stretch of source samples the rate converter interpolates in. A PCM
// source's window is its whole data chunk in the mapped file and never moves;
// an MPEG source's window is two decoded frames, refilled one frame at a time
// with the last samples carried over, so the converter never sees the
// difference.
#pragma once

#include <cstdint>

namespace audiofile {

class ConverterWindow {
 public:
  virtual ~ConverterWindow() = default;

  // Fills the window from the start of the source. `history` is the number of
  // samples (3 frames' worth) a refill keeps and that must lie in the window
  // beyond limit(). False when the window cannot be set up at all (memory).
  virtual bool reset(std::uint32_t history) = 0;

  // Interleaved 16-bit little-endian samples with no alignment promise; sample
  // index 0 is the window's first sample.
  virtual const unsigned char* samples() const = 0;

  // Highest sample index at which interpolation may start; negative when the
  // window holds too little to interpolate anywhere.
  virtual std::int64_t limit() const = 0;

  // Moves the samples from limit() on to the window's start and fills the
  // window after them, so the window advances by the old limit. False when
  // the source has nothing more; the window is then unchanged.
  virtual bool refill() = 0;

  // For a converter starting in the middle, right after reset(): sets the
  // window up as the refills a converter reading from the start would have
  // made by the time it needs sample `index`, and gives the source index of
  // the window's first sample in `base`. False where the window cannot (by
  // default, any index past the window reset() filled).
  virtual bool startAt(std::int64_t index, std::int64_t& base) {
    base = 0;
    return index <= limit();
  }
  // Whether startAt can reach every index of the source.
  virtual bool startsAnywhere() const { return false; }
};

}  // namespace audiofile
