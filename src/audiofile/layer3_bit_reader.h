// A most-significant-bit-first reader over the decoder's reservoir area. The
// area carries zeroed guard bytes after its end, so a look-ahead of up to 32
// bits past the last valid byte stays inside the allocation; callers compare
// the position with their limit after every code word.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace audiofile {

// Zero bytes after the reservoir area that a look-ahead may touch.
inline constexpr std::uint32_t BIT_READER_GUARD_BYTES = 64;

class BitReader {
 public:
  BitReader() = default;
  BitReader(const unsigned char* data, std::uint32_t bitPosition)
      : data_(data), position_(bitPosition) {}

  std::uint32_t position() const { return position_; }
  const unsigned char* data() const { return data_; }
  void seek(std::uint32_t bitPosition) { position_ = bitPosition; }
  void skip(std::uint32_t bits) { position_ += bits; }

  // At least 57 bits from the current position, in the top bits of the result.
  std::uint64_t window() const {
    std::uint64_t word;
    std::memcpy(&word, data_ + (position_ >> 3), sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word << (position_ & 7);
  }

  // The next n bits (0..32) without consuming them.
  std::uint32_t peek(int n) const {
    if (n == 0) return 0;
    std::uint64_t word;
    std::memcpy(&word, data_ + (position_ >> 3), sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    word <<= (position_ & 7);
    return static_cast<std::uint32_t>(word >> (64 - n));
  }
  std::uint32_t read(int n) {
    const std::uint32_t value = peek(n);
    position_ += static_cast<std::uint32_t>(n);
    return value;
  }
  bool readBit() { return read(1) != 0; }

 private:
  const unsigned char* data_ = nullptr;
  std::uint32_t position_ = 0;
};

}  // namespace audiofile
