#include "audiofile/layer3_huffman.h"

#include <algorithm>
#include <new>

namespace audiofile {
namespace {

// Bits resolved by one look-up; longer codes continue in a sub-table.
constexpr int MAX_LEVEL_BITS = 8;

struct DecoderSet {
  HuffDecoder pairs[32];
  HuffDecoder quads[2];
  DecoderSet() {
    for (int t = 0; t < 32; ++t) {
      const HuffTableShape& shape = HUFF_TABLE_SHAPES[t];
      if (shape.codes != nullptr)
        pairs[t].build(shape.codes, shape.size * shape.size, shape.size, shape.linbits > 0);
    }
    for (int t = 0; t < 2; ++t) quads[t].build(COUNT1_CODES[t], 16, 0);
  }
};

const DecoderSet& decoders() {
  static const DecoderSet set;
  return set;
}

}  // namespace

void HuffDecoder::build(const HuffCode* codes, int count, int pairSize, bool escapes) {
  std::vector<Pending> pending;
  for (int i = 0; i < count; ++i) {
    // Pair tables list x * size + y; their symbols become x << 4 | y.
    const int symbol = pairSize > 0 ? ((i / pairSize) << 4) | (i % pairSize) : i;
    pending.push_back({codes[i].code, codes[i].length, symbol});
  }
  entries_.clear();
  buildLevel(pending, 0);

  std::fill(std::begin(pairs_), std::end(pairs_), 0u);
  if (pairSize == 0) {
    quads_.assign(std::size_t{1} << QUAD_BITS, 0u);
    for (std::uint32_t prefix = 0; prefix < quads_.size(); ++prefix) {
      const std::uint64_t window = std::uint64_t{prefix} << (64 - QUAD_BITS);
      int used = 0;
      const int symbol = decode(window, used);
      std::uint32_t entry = 0;
      for (int k = 0; k < 4; ++k) {
        int v = (symbol >> (3 - k)) & 1;
        if (v != 0 && ((window << used++) >> 63) != 0) v = -v;
        entry |= static_cast<std::uint32_t>(v + 1) << (2 * k);
      }
      quads_[prefix] = entry | static_cast<std::uint32_t>(used) << 8;
    }
    return;
  }
  for (std::uint32_t prefix = 0; prefix < (1u << PAIR_BITS); ++prefix) {
    const std::uint64_t window = std::uint64_t{prefix} << (64 - PAIR_BITS);
    int used = 0;
    const int symbol = decode(window, used);
    int values[2] = {symbol >> 4, symbol & 15};
    if (escapes && (values[0] == 15 || values[1] == 15)) continue;
    for (int& v : values) {
      if (v == 0) continue;
      if (used < PAIR_BITS && ((window << used) >> 63) != 0) v = -v;
      ++used;
    }
    if (used > PAIR_BITS) continue;
    pairs_[prefix] = (static_cast<std::uint32_t>(values[0]) & 0xFF) |
                     ((static_cast<std::uint32_t>(values[1]) & 0xFF) << 8) |
                     (static_cast<std::uint32_t>(used) << 16);
  }
}

// Lays out one level for codes whose first `depth` bits are already consumed
// and returns its offset; rootBits_ is the width of the first level.
std::uint32_t HuffDecoder::buildLevel(const std::vector<Pending>& codes, int depth) {
  int longest = 0;
  for (const Pending& c : codes) longest = std::max(longest, c.length - depth);
  const int bits = std::min(longest, MAX_LEVEL_BITS);
  const std::uint32_t offset = static_cast<std::uint32_t>(entries_.size());
  if (depth == 0) rootBits_ = bits;
  // An index no code reaches (never for a complete code) reads as a zero symbol.
  entries_.resize(entries_.size() + (std::size_t{1} << bits),
                  LEAF | (static_cast<std::uint32_t>(bits) << 8));
  std::vector<std::vector<Pending>> longer(std::size_t{1} << bits);
  for (const Pending& c : codes) {
    const int rest = c.length - depth;
    const std::uint32_t restCode = c.code & ((1u << rest) - 1);
    if (rest <= bits) {
      const std::uint32_t first = restCode << (bits - rest);
      const std::uint32_t span = 1u << (bits - rest);
      for (std::uint32_t k = 0; k < span; ++k) {
        entries_[offset + first + k] =
            LEAF | (static_cast<std::uint32_t>(rest) << 8) | static_cast<std::uint32_t>(c.symbol);
      }
    } else {
      longer[restCode >> (rest - bits)].push_back(c);
    }
  }
  for (std::size_t prefix = 0; prefix < longer.size(); ++prefix) {
    if (longer[prefix].empty()) continue;
    int subLongest = 0;
    for (const Pending& c : longer[prefix]) {
      subLongest = std::max(subLongest, c.length - depth - bits);
    }
    const std::uint32_t sub = buildLevel(longer[prefix], depth + bits);
    const int subBits = std::min(subLongest, MAX_LEVEL_BITS);
    entries_[offset + prefix] = (static_cast<std::uint32_t>(subBits) << 24) | sub;
  }
  return offset;
}

bool buildHuffmanDecoders() noexcept {
  try {
    decoders();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

const HuffDecoder& pairDecoder(int tableSelect) {
  return decoders().pairs[tableSelect & 31];
}
const HuffDecoder& quadDecoder(int count1TableSelect) {
  return decoders().quads[count1TableSelect & 1];
}

}  // namespace audiofile
