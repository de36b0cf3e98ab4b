// Huffman decoding of Layer III spectra: the published code tables and the
// lookup tables built from them once per process. A code word is found by one
// or two table look-ups instead of a walk bit by bit.
#pragma once

#include <cstdint>
#include <vector>

#include "audiofile/layer3_bit_reader.h"

namespace audiofile {

struct HuffCode {
  std::uint8_t length;
  std::uint32_t code;
};

struct HuffTableShape {
  const HuffCode* codes;  // size x size entries, or none for a table of zeros
  int size;
  int linbits;
};

extern const HuffTableShape HUFF_TABLE_SHAPES[32];
extern const HuffCode* const COUNT1_CODES[2];

// A lookup table for one code: entries of the first level indexed by the next
// rootBits bits, each either a symbol with the bits it takes or a link to a
// sub-table for longer codes.
class HuffDecoder {
 public:
  // pairSize: the row length of a pair table, 0 for a quadruple table;
  // escapes: a pair table whose value 15 takes linbits.
  void build(const HuffCode* codes, int count, int pairSize, bool escapes = false);
  bool empty() const { return entries_.empty(); }

  // Decodes the code word at bit `used` of a window from BitReader::window(),
  // adds its length to used and returns its symbol: x << 4 | y for pairs, the
  // v w x y bits for quadruples.
  int decode(std::uint64_t window, int& used) const {
    std::uint32_t offset = 0;
    int bits = rootBits_;
    for (;;) {
      const std::uint32_t entry =
          entries_[offset + static_cast<std::uint32_t>((window << used) >> (64 - bits))];
      if (entry & LEAF) {
        used += static_cast<int>((entry >> 8) & 0xFF);
        return static_cast<int>(entry & 0xFF);
      }
      used += bits;
      offset = entry & 0xFFFFFF;
      bits = static_cast<int>(entry >> 24);
    }
  }

  // A pair table's whole pair, code word and sign bits together, when the
  // next PAIR_BITS bits of the window (from its top) hold all of it: returns
  // x and y with their signs as (x & 0xFF) | (y & 0xFF) << 8 | bits << 16,
  // or 0 when the pair needs decode() and the bits after it.
  std::uint32_t wholePair(std::uint64_t window) const {
    return pairs_[static_cast<std::uint32_t>(window >> (64 - PAIR_BITS))];
  }
  static constexpr int PAIR_BITS = 8;

  // A quadruple table's whole quadruple, code word and sign bits together
  // (at most 10 bits, so always there): value k, -1..1, is
  // ((entry >> 2k) & 3) - 1 and the bits taken are entry >> 8.
  std::uint32_t wholeQuad(std::uint64_t window) const {
    return quads_[static_cast<std::uint32_t>(window >> (64 - QUAD_BITS))];
  }
  static constexpr int QUAD_BITS = 10;

 private:
  static constexpr std::uint32_t LEAF = 0x80000000u;
  struct Pending {
    std::uint32_t code;
    int length;
    int symbol;
  };
  std::uint32_t buildLevel(const std::vector<Pending>& codes, int depth);

  std::vector<std::uint32_t> entries_;
  int rootBits_ = 0;
  std::uint32_t pairs_[1 << PAIR_BITS] = {};
  std::vector<std::uint32_t> quads_;  // quadruple tables only
};

// The decoders of the 32 big-value tables (empty for 0, 4 and 14) and the two
// count1 tables, built on first use; safe to call from any thread.
// Builds the lookup tables behind pairDecoder and quadDecoder, once for the
// process; false when memory for them ran out (a later call tries again).
// A decoder is only made once this has succeeded, so decoding never allocates.
bool buildHuffmanDecoders() noexcept;

const HuffDecoder& pairDecoder(int tableSelect);
const HuffDecoder& quadDecoder(int count1TableSelect);

}  // namespace audiofile
