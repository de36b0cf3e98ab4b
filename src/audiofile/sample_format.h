// The sample formats a WAV file may hold and their reduction to the 16-bit
// samples every track is made of. Wider integer and float samples are
// rounded with triangular dither of one 16-bit step each way, so quiet
// passages fade into noise instead of into distortion; a sample that already
// fits 16 bits exactly comes through unchanged. Float samples beyond full
// scale are clipped to it. 8-bit samples are unsigned and widened exactly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace audiofile {

enum class SampleEncoding : std::uint8_t { Int16, UInt8, Int24, Int32, Float32 };

std::uint32_t bytesPerSample(SampleEncoding encoding);

// A small fast generator for the dither; seeded the same for every import, so
// an import is repeatable.
class Dither {
 public:
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  std::uint32_t state_ = 0x9E3779B9u;
};

// Converts `count` little-endian samples at `in` to 16 bits at `out`.
void convertSamples(SampleEncoding encoding, const unsigned char* in, std::size_t count,
                    std::int16_t* out, Dither& dither);

}  // namespace audiofile
