#include "audiofile/rate_converter.h"

#include <cmath>
#include <cstring>
#include <new>

#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_bytes.h"

namespace audiofile {

namespace {

constexpr double PI = 3.14159265359;
// Mono samples are scaled by 1/32768 and stereo ones by 1/32767 before
// interpolation; both come back multiplied by 32767, so a mono result is
// 32767/32768 of the stereo one from the same neighbours.
constexpr double MONO_SCALE = 3.0517578125e-5;
constexpr double STEREO_DIVISOR = 32767.0;
constexpr double OUTPUT_SCALE = 32767.0;
constexpr double OUTPUT_LIMIT = 32767.0;
// Frames below this source frame come from the start routine.
constexpr std::int64_t START_FRAMES = 2;

inline std::int16_t clampTruncate(double v) {
  v *= OUTPUT_SCALE;
  if (v > OUTPUT_LIMIT) v = OUTPUT_LIMIT;
  if (v < -OUTPUT_LIMIT) v = -OUTPUT_LIMIT;
  return static_cast<std::int16_t>(v);
}

inline double cubic(double y0, double y1, double y2, double y3, double mu) {
  const double a0 = y3 - y2 - y0 + y1;
  const double a1 = y0 - y1 - a0;
  const double a2 = y2 - y0;
  const double a3 = y1;
  const double mu2 = mu * mu;
  return a0 * mu * mu2 + a1 * mu2 + a2 * mu + a3;
}

inline double cosineWeight(double f) {
  return (1.0 - std::cos(f * PI)) / 2.0;
}

}  // namespace

std::unique_ptr<RateConverter> RateConverter::create(ConverterWindow& window,
                                                     std::uint32_t channels,
                                                     std::uint32_t sourceFrames, double upRatio,
                                                     double downRatio) {
  std::unique_ptr<RateConverter> converter;
  create(converter, window, channels, sourceFrames, upRatio, downRatio);
  return converter;
}

bool RateConverter::create(std::unique_ptr<RateConverter>& into, ConverterWindow& window,
                           std::uint32_t channels, std::uint32_t sourceFrames, double upRatio,
                           double downRatio) {
  into.reset();
  if (channels == 0 || !(downRatio > 0.0) || !(upRatio > 0.0)) return false;
  into.reset(new (std::nothrow) RateConverter(window, channels, downRatio));
  if (!into) return false;
  into->outputTotal_ = static_cast<std::uint64_t>(std::floor(sourceFrames * upRatio));
  if (!window.reset(into->history_)) {
    into.reset();
    return false;
  }
  into->windowLimit_ = window.limit();
  into->samples_ = window.samples();
  return true;
}

RateConverter::RateConverter(ConverterWindow& window, std::uint32_t channels, double step)
    : window_(window), channels_(channels == 1 ? 1 : 2), history_(3 * channels_), step_(step) {}

bool RateConverter::convertFrame(std::int16_t* out) {
  // The position is never negative, so truncation is floor (and, unlike
  // std::floor on a plain x86-64 build, needs no library call).
  const auto i = static_cast<std::int64_t>(position_);
  const double f = position_ - static_cast<double>(i);
  const unsigned char* s = samples_;
  auto at = [s](std::int64_t index) { return static_cast<double>(loadSample(s + 2 * index)); };

  if (i < START_FRAMES) {
    // The start: cosine interpolation between a frame and the next one, which
    // needs no frame before it. The window always holds the first three
    // frames (sources shorter than that are refused when opened).
    if (windowLimit_ < 0) return false;
    const std::int64_t j = channels_ * i;
    if (f == 0.0) {
      for (std::uint32_t k = 0; k < channels_; ++k) out[k] = loadSample(s + 2 * (j + k));
      return true;
    }
    const double w = cosineWeight(f);
    if (channels_ == 1) {
      // Rounded down and not clamped: the result cannot leave [-32767, 32766].
      out[0] = static_cast<std::int16_t>(
          std::floor(OUTPUT_SCALE * ((at(i) / 32768.0) * (1.0 - w) + (at(i + 1) / 32768.0) * w)));
    } else {
      for (std::int64_t k = 0; k < 2; ++k)
        out[k] = clampTruncate((at(j + k) / STEREO_DIVISOR) * (1.0 - w) +
                               (at(j + 2 + k) / STEREO_DIVISOR) * w);
    }
    return true;
  }

  std::int64_t n = channels_ * i - windowBase_;
  while (n > windowLimit_) {
    if (windowLimit_ < 0 || !window_.refill()) return false;
    n -= windowLimit_;
    windowBase_ += windowLimit_;
    windowLimit_ = window_.limit();
    samples_ = window_.samples();
    s = samples_;
  }
  auto sample = [&s](std::int64_t index) { return static_cast<double>(loadSample(s + 2 * index)); };

  if (channels_ == 1) {
    if (f == 0.0) {
      out[0] = loadSample(s + 2 * n);
      return true;
    }
    out[0] = clampTruncate(cubic(sample(n - 1) * MONO_SCALE, sample(n) * MONO_SCALE,
                                 sample(n + 1) * MONO_SCALE, sample(n + 2) * MONO_SCALE, f));
    return true;
  }
  if (f == 0.0) {
    out[0] = loadSample(s + 2 * n);
    out[1] = loadSample(s + 2 * (n + 1));
    return true;
  }
  for (std::int64_t k = 0; k < 2; ++k)
    out[k] = clampTruncate(cubic(sample(n - 2 + k) / STEREO_DIVISOR, sample(n + k) / STEREO_DIVISOR,
                                 sample(n + 2 + k) / STEREO_DIVISOR,
                                 sample(n + 4 + k) / STEREO_DIVISOR, f));
  return true;
}

bool RateConverter::seek(std::uint64_t outputFrame) {
  if (outputCount_ != 0 || outputFrame >= outputTotal_) return false;
  // The position is a running sum: the same steps, added one at a time in the
  // same order, give the same rounding as the reads before would have.
  double position = position_;
  for (std::uint64_t i = 0; i < outputFrame; ++i) position += step_;
  const auto i = static_cast<std::int64_t>(position);
  std::int64_t base = 0;
  if (i >= START_FRAMES && !window_.startAt(channels_ * i, base)) return false;
  windowBase_ = base;
  windowLimit_ = window_.limit();
  samples_ = window_.samples();
  position_ = position;
  outputCount_ = outputFrame;
  return true;
}

std::uint32_t RateConverter::readBlock(std::int16_t* dest) {
  const std::size_t blockSamples = static_cast<std::size_t>(channels_) * IMPORT_BLOCK_FRAMES;
  if (outputCount_ == outputTotal_) return 0;
  if (outputCount_ > outputTotal_) {
    std::memset(dest, 0, blockSamples * sizeof(std::int16_t));
    return 0;
  }
  std::uint32_t written = 0;
  while (outputCount_ < outputTotal_) {
    if (!convertFrame(dest + static_cast<std::size_t>(written) * channels_)) {
      // The source ran out before the total: the output is complete here.
      outputCount_ = outputTotal_;
      break;
    }
    position_ += step_;
    ++outputCount_;
    if (++written == IMPORT_BLOCK_FRAMES) return written;
  }
  std::memset(
      dest + static_cast<std::size_t>(written) * channels_, 0,
      (blockSamples - static_cast<std::size_t>(written) * channels_) * sizeof(std::int16_t));
  return written;
}

}  // namespace audiofile
