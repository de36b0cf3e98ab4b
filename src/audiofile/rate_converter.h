// Converts a source at any rate to 44100 Hz while it is imported: plain
// interpolation at fractional source positions, no low-pass filter. The first
// output frames (those within the first two source frames) use cosine
// interpolation between two neighbours, all others a 4-point cubic.
//
// The converter reads its samples through a ConverterWindow, so the same code
// serves a PCM file (the window is the mapped data chunk) and an MPEG stream
// (the window is two decoded frames, refilled as the position moves on).
#pragma once

#include <cstdint>
#include <memory>

#include "audiofile/converter_window.h"

namespace audiofile {

class RateConverter {
 public:
  // Copies the parameters and resets the window. `channels` is 1 or 2;
  // `upRatio` = 44100 / rate, `downRatio` = rate / 44100. None when memory
  // runs out or the window cannot be set up.
  static std::unique_ptr<RateConverter> create(ConverterWindow& window, std::uint32_t channels,
                                               std::uint32_t sourceFrames, double upRatio,
                                               double downRatio);
  // The same into `into`, which holds the converter before the window's
  // reset reads the source: a reset abandoned part way (a file cut short
  // under it) leaks nothing. False, with `into` emptied, where create gives none.
  static bool create(std::unique_ptr<RateConverter>& into, ConverterWindow& window,
                     std::uint32_t channels, std::uint32_t sourceFrames, double upRatio,
                     double downRatio);

  // Fills `dest` (channels x IMPORT_BLOCK_FRAMES samples) and returns the
  // frames written; the rest of the block is zero. Returns 0, writing
  // nothing, once the output is complete. A PCM source ends a few frames
  // early, when the 4-point window would reach past its data.
  std::uint32_t readBlock(std::int16_t* dest);

  // Before the first block: makes the next block start at output frame
  // `outputFrame`, with the samples a read from the start would give there.
  // False where the window cannot start there (ConverterWindow::startAt).
  bool seek(std::uint64_t outputFrame);

  // floor(source frames x up ratio).
  std::uint64_t outputTotal() const { return outputTotal_; }
  std::uint64_t outputCount() const { return outputCount_; }

 private:
  RateConverter(ConverterWindow& window, std::uint32_t channels, double step);

  // Writes one output frame at the current position; false when the source
  // is exhausted.
  bool convertFrame(std::int16_t* out);

  ConverterWindow& window_;
  // The window's samples, taken again after every reset and refill.
  const unsigned char* samples_ = nullptr;
  std::uint32_t channels_;
  std::uint32_t history_;
  double step_;
  double position_ = 0.0;
  std::int64_t windowBase_ = 0;
  std::int64_t windowLimit_ = -1;
  std::uint64_t outputCount_ = 0;
  std::uint64_t outputTotal_ = 0;
};

}  // namespace audiofile
