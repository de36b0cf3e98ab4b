#include "audiofile/sample_format.h"

#include <cstring>

#include "audiofile/wav_bytes.h"

namespace audiofile {

namespace {

constexpr std::int32_t SAMPLE_MAX = 32767;
constexpr std::int32_t SAMPLE_MIN = -32768;

inline std::int16_t clip(std::int64_t v) {
  if (v > SAMPLE_MAX) return SAMPLE_MAX;
  if (v < SAMPLE_MIN) return SAMPLE_MIN;
  return static_cast<std::int16_t>(v);
}

// Drops the low `shift` bits of v, rounding with triangular dither of one
// output step each way (the difference of two uniform values).
inline std::int16_t reduce(std::int64_t v, int shift, Dither& dither) {
  const std::int64_t mask = (std::int64_t{1} << shift) - 1;
  if ((v & mask) == 0) return clip(v >> shift);
  const std::uint32_t r = dither.next();
  const std::int64_t d = shift == 8 ? std::int64_t(r & 0xFF) - std::int64_t((r >> 8) & 0xFF)
                                    : std::int64_t(r & 0xFFFF) - std::int64_t(r >> 16);
  return clip((v + d + (std::int64_t{1} << (shift - 1))) >> shift);
}

inline std::int16_t reduceFloat(float f, Dither& dither) {
  const double x = static_cast<double>(f) * 32768.0;
  if (x >= SAMPLE_MAX) return SAMPLE_MAX;
  if (x <= SAMPLE_MIN) return SAMPLE_MIN;
  if (!(x == x)) return 0;  // NaN
  auto whole = static_cast<std::int32_t>(x);
  if (static_cast<double>(whole) == x) return static_cast<std::int16_t>(whole);
  const std::uint32_t r = dither.next();
  const double d = (double(r & 0xFFFF) - double(r >> 16)) * (1.0 / 65536.0);
  const double y = x + d + 0.5;
  whole = static_cast<std::int32_t>(y);
  if (static_cast<double>(whole) > y) --whole;  // floor for negative values
  return clip(whole);
}

}  // namespace

std::uint32_t bytesPerSample(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::UInt8:
      return 1;
    case SampleEncoding::Int16:
      return 2;
    case SampleEncoding::Int24:
      return 3;
    case SampleEncoding::Int32:
    case SampleEncoding::Float32:
      return 4;
  }
  return 2;
}

void convertSamples(SampleEncoding encoding, const unsigned char* in, std::size_t count,
                    std::int16_t* out, Dither& dither) {
  switch (encoding) {
    case SampleEncoding::Int16:
      std::memcpy(out, in, count * 2);
      return;
    case SampleEncoding::UInt8:
      for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>((std::int32_t{in[i]} - 128) * 256);
      return;
    case SampleEncoding::Int24:
      for (std::size_t i = 0; i < count; ++i, in += 3) {
        // The three bytes go to the top of a 32-bit word, which carries the sign.
        const auto word = static_cast<std::int32_t>(
            std::uint32_t{in[0]} << 8 | std::uint32_t{in[1]} << 16 | std::uint32_t{in[2]} << 24);
        out[i] = reduce(word >> 8, 8, dither);
      }
      return;
    case SampleEncoding::Int32:
      for (std::size_t i = 0; i < count; ++i, in += 4)
        out[i] = reduce(static_cast<std::int32_t>(loadLe32(in)), 16, dither);
      return;
    case SampleEncoding::Float32:
      for (std::size_t i = 0; i < count; ++i, in += 4) {
        float f;
        std::memcpy(&f, in, sizeof f);
        out[i] = reduceFloat(f, dither);
      }
      return;
  }
}

}  // namespace audiofile
