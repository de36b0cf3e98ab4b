// Huffman decoding, requantisation and joint stereo of one granule: the parts
// of the Layer III decoder that work on the 576 spectral lines in the order
// they are coded.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "audiofile/layer3_decoder.h"
#include "audiofile/layer3_huffman.h"

namespace audiofile {
namespace {

// 2^(e/4) for any integer e, without a power function.
inline double quarterPower(const Layer3Tables& t, int e) {
  const unsigned index = static_cast<unsigned>(e - GAIN_POWER_LOWEST);
  if (index < static_cast<unsigned>(GAIN_POWER_COUNT)) return t.gainPowers[index];
  return std::ldexp(t.quarterPowers[e & 3], e >> 2);
}

// A non-zero magnitude takes the sign bit at `used` of the window; zero has none.
inline int withSign(int magnitude, std::uint64_t window, int& used) {
  const int present = magnitude != 0 ? 1 : 0;
  const int negative = static_cast<int>((window << used) >> 63) & present;
  used += present;
  return (magnitude ^ -negative) + negative;
}

// sign(q) |q|^(4/3), the sign put on as a bit: no branch for the signs to
// mispredict.
inline double signedPower(const Layer3Tables& t, int q) {
  const std::uint64_t sign = static_cast<std::uint64_t>(static_cast<std::uint32_t>(q) >> 31) << 63;
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(t.pow43[q < 0 ? -q : q]) ^ sign);
}

}  // namespace

bool Layer3Decoder::readSpectrum(BitReader& reader, int granule, int channel, std::uint32_t end) {
  const GranuleChannel& gc = side_.granules[granule][channel];
  const int bigLines = std::min(gc.bigValues * 2, GRANULE_LINES);
  const int regionEnd[3] = {std::min(gc.region1Start, bigLines),
                            std::min(gc.region2Start, bigLines), bigLines};
  // Each value goes in as sign(q) |q|^(4/3) at once (work beside the bit
  // position's chain of dependencies); the band gains follow below.
  const Layer3Tables& t = layer3Tables();
  double* xr = spectrum_[channel];
  int line = 0;
  int nonzero = 0;
  bool overrun = false;
  const unsigned char* data = reader.data();
  std::uint32_t position = reader.position();
  std::uint64_t bits = 0;
  int held = 0;  // bits of `bits` still to come from the stream
  for (int region = 0; region < 3 && !overrun; ++region) {
    const int stop = std::max(line, regionEnd[region]);
    const HuffTableShape& shape = HUFF_TABLE_SHAPES[gc.tableSelect[region]];
    if (shape.codes == nullptr) {
      for (; line < stop; ++line) xr[line] = 0.0;
      continue;
    }
    const HuffDecoder& decoder = pairDecoder(gc.tableSelect[region]);
    const int linbits = shape.linbits;
    // Most pairs take one look-up of a few bits, signs and all; those come
    // from a word of bits kept in hand and refilled only when it runs low.
    // A pair the look-up cannot finish reads a fresh window, which holds
    // the longest pair: a 19-bit code and two values of 13 linbits and a
    // sign each.
    while (line < stop) {
      if (held < HuffDecoder::PAIR_BITS) {
        bits = BitReader(data, position).window();
        held = 64 - static_cast<int>(position & 7);
      }
      const std::uint32_t whole = decoder.wholePair(bits);
      int x;
      int y;
      int used;
      if (whole != 0) {
        x = static_cast<std::int8_t>(whole & 0xFF);
        y = static_cast<std::int8_t>((whole >> 8) & 0xFF);
        used = static_cast<int>(whole >> 16);
        bits <<= used;
        held -= used;
      } else {
        const std::uint64_t window = BitReader(data, position).window();
        used = 0;
        const int symbol = decoder.decode(window, used);
        x = symbol >> 4;
        y = symbol & 15;
        if (linbits > 0 && x == 15) {
          x += static_cast<int>((window << used) >> (64 - linbits));
          used += linbits;
        }
        x = withSign(x, window, used);
        if (linbits > 0 && y == 15) {
          y += static_cast<int>((window << used) >> (64 - linbits));
          used += linbits;
        }
        y = withSign(y, window, used);
        held = 0;
      }
      position += static_cast<std::uint32_t>(used);
      xr[line] = signedPower(t, x);
      xr[line + 1] = signedPower(t, y);
      line += 2;
      nonzero = y != 0 ? line : (x != 0 ? line - 1 : nonzero);
      if (position > end) {
        overrun = true;
        break;
      }
    }
  }
  reader.seek(position);
  if (!overrun) {
    const HuffDecoder& quads = quadDecoder(gc.count1Table);
    while (line + 4 <= GRANULE_LINES && position < end) {
      if (held < HuffDecoder::QUAD_BITS) {
        bits = BitReader(data, position).window();
        held = 64 - static_cast<int>(position & 7);
      }
      const std::uint32_t whole = quads.wholeQuad(bits);
      const int used = static_cast<int>(whole >> 8);
      bits <<= used;
      held -= used;
      position += static_cast<std::uint32_t>(used);
      // A last quadruple that reaches past the channel's data is stuffing.
      if (position > end) break;
      for (int k = 0; k < 4; ++k) {
        const int v = static_cast<int>((whole >> (2 * k)) & 3) - 1;
        xr[line + k] = v;
        if (v != 0) nonzero = line + k + 1;
      }
      line += 4;
    }
    reader.seek(position);
  }
  nonzero_[channel] = nonzero;

  // Requantisation: sign x |q|^(4/3) x 2^((global_gain - 210) / 4) x the band's
  // scale-factor and sub-block gain factors. Mid/side frames fold their
  // 1/sqrt(2) into the gain.
  std::fill(xr + line, xr + GRANULE_LINES, 0.0);
  const ScaleFactors& sf = scale_[channel];
  const ScaleFactorBands& bands = scaleFactorBands(header_.mpeg1, header_.rateIndex);
  const bool midSide = header_.channels == 2 && header_.mode == 1 && (header_.modeExtension & 2);
  const int gainBase = gc.globalGain - 210 - (midSide ? 2 : 0);
  const int scaleShift = gc.scalefacScale ? 4 : 2;
  const bool shortBlocks = gc.windowSwitching && gc.blockType == 2;
  int firstShortBand = 0;
  if (!shortBlocks || gc.mixedBlock) {
    const int longEnd = shortBlocks ? 36 : GRANULE_LINES;
    for (int sfb = 0; sfb < 22 && bands.longBounds[sfb] < std::min(nonzero, longEnd); ++sfb) {
      const int pre = gc.preflag ? PRETAB[sfb] : 0;
      const double factor = quarterPower(t, gainBase - scaleShift * (sf.longBands[sfb] + pre));
      const int to = std::min<int>(bands.longBounds[sfb + 1], nonzero);
      for (int i = bands.longBounds[sfb]; i < to; ++i) xr[i] *= factor;
    }
    firstShortBand = 3;
  }
  if (shortBlocks) {
    for (int sfb = firstShortBand; sfb < 13 && 3 * bands.shortBounds[sfb] < nonzero; ++sfb) {
      const int width = bands.shortBounds[sfb + 1] - bands.shortBounds[sfb];
      for (int w = 0; w < 3; ++w) {
        const double factor =
            quarterPower(t, gainBase - 8 * gc.subblockGain[w] - scaleShift * sf.shortBands[sfb][w]);
        const int from = 3 * bands.shortBounds[sfb] + w * width;
        const int to = std::min(from + width, nonzero);
        for (int i = from; i < to; ++i) xr[i] *= factor;
      }
    }
  }
  return !overrun;
}

void Layer3Decoder::applyIntensity(int from, int to, int position, int illegal, bool midSide) {
  double* left = spectrum_[0];
  double* right = spectrum_[1];
  if (position == illegal || position < 0 || (header_.mpeg1 && position >= 7) || position >= 64) {
    if (midSide) {
      for (int i = from; i < to; ++i) {
        const double m = left[i];
        const double s = right[i];
        left[i] = m + s;
        right[i] = m - s;
      }
    }
    return;
  }
  const Layer3Tables& t = layer3Tables();
  const double* k = header_.mpeg1 ? t.intensityMpeg1[midSide ? 1 : 0][position]
                                  : t.intensityMpeg2[midSide ? 1 : 0][intensityScale_][position];
  for (int i = from; i < to; ++i) {
    const double l = left[i];
    left[i] = l * k[0];
    right[i] = l * k[1];
  }
}

namespace {

void midSideLines(double* left, double* right, int from, int to) {
  for (int i = from; i < to; ++i) {
    const double m = left[i];
    const double s = right[i];
    left[i] = m + s;
    right[i] = m - s;
  }
}

}  // namespace

void Layer3Decoder::intensityLong(const GranuleChannel& gc, bool midSide) {
  (void)gc;
  const ScaleFactorBands& bands = scaleFactorBands(header_.mpeg1, header_.rateIndex);
  const ScaleFactors& sf = scale_[1];
  int first = 0;
  while (first < 22 && bands.longBounds[first] < nonzero_[1]) ++first;
  if (midSide) midSideLines(spectrum_[0], spectrum_[1], 0, bands.longBounds[first]);
  for (int sfb = first; sfb < 22; ++sfb) {
    // The last band has no scale factor of its own: it follows the band before
    // when that one carries intensity too, and takes position 0 when it is the
    // only intensity band.
    if (sfb == 21 && first == 21) {
      applyIntensity(bands.longBounds[21], bands.longBounds[22], 0, -1, midSide);
      continue;
    }
    const int source = sfb == 21 ? 20 : sfb;
    applyIntensity(bands.longBounds[sfb], bands.longBounds[sfb + 1], sf.longBands[source],
                   sf.longIllegal[source], midSide);
  }
}

void Layer3Decoder::intensityShort(const GranuleChannel& gc, bool midSide) {
  const ScaleFactorBands& bands = scaleFactorBands(header_.mpeg1, header_.rateIndex);
  const ScaleFactors& sf = scale_[1];
  const double* right = spectrum_[1];
  const int firstShort = gc.mixedBlock ? 3 : 0;
  int start[3];
  bool anyShortNonzero = false;
  for (int w = 0; w < 3; ++w) {
    start[w] = firstShort;
    for (int sfb = 12; sfb >= firstShort; --sfb) {
      const int width = bands.shortBounds[sfb + 1] - bands.shortBounds[sfb];
      const int from = 3 * bands.shortBounds[sfb] + w * width;
      bool found = false;
      for (int i = from; i < from + width; ++i) {
        if (right[i] != 0.0) {
          found = true;
          break;
        }
      }
      if (found) {
        start[w] = sfb + 1;
        anyShortNonzero = true;
        break;
      }
    }
  }
  if (gc.mixedBlock) {
    // The long part of a mixed block carries intensity only when the right
    // channel is silent in every short window.
    int first = 8;
    if (!anyShortNonzero) {
      first = 0;
      for (int sfb = 0; sfb < 22 && bands.longBounds[sfb + 1] <= 36; ++sfb) {
        for (int i = bands.longBounds[sfb]; i < bands.longBounds[sfb + 1]; ++i) {
          if (right[i] != 0.0) first = sfb + 1;
        }
      }
    }
    for (int sfb = 0; sfb < 22 && bands.longBounds[sfb + 1] <= 36; ++sfb) {
      if (sfb < first) {
        if (midSide)
          midSideLines(spectrum_[0], spectrum_[1], bands.longBounds[sfb],
                       bands.longBounds[sfb + 1]);
      } else {
        applyIntensity(bands.longBounds[sfb], bands.longBounds[sfb + 1], sf.longBands[sfb],
                       sf.longIllegal[sfb], midSide);
      }
    }
  }
  for (int w = 0; w < 3; ++w) {
    for (int sfb = firstShort; sfb < 13; ++sfb) {
      const int width = bands.shortBounds[sfb + 1] - bands.shortBounds[sfb];
      const int from = 3 * bands.shortBounds[sfb] + w * width;
      if (sfb < start[w]) {
        if (midSide) midSideLines(spectrum_[0], spectrum_[1], from, from + width);
      } else if (sfb == 12 && start[w] == 12) {
        applyIntensity(from, from + width, 0, -1, midSide);
      } else {
        const int source = sfb == 12 ? 11 : sfb;
        applyIntensity(from, from + width, sf.shortBands[source][w], sf.shortIllegal[source],
                       midSide);
      }
    }
  }
}

void Layer3Decoder::processStereo(int granule) {
  const bool midSide = (header_.modeExtension & 2) != 0;
  const bool intensity = (header_.modeExtension & 1) != 0;
  const int extent = std::max(nonzero_[0], nonzero_[1]);
  if (intensity) {
    const GranuleChannel& gc = side_.granules[granule][1];
    if (gc.windowSwitching && gc.blockType == 2) {
      intensityShort(gc, midSide);
    } else {
      intensityLong(gc, midSide);
    }
    // Intensity fills the right channel wherever the left one has values.
    nonzero_[0] = nonzero_[1] = GRANULE_LINES;
    return;
  }
  if (midSide) midSideLines(spectrum_[0], spectrum_[1], 0, extent);
  nonzero_[0] = nonzero_[1] = extent;
}

}  // namespace audiofile
