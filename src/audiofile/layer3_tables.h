// The constant tables of the Layer III decoder: published tables (scale-factor
// bands, the synthesis window, pre-emphasis, the MPEG-2 scale-factor
// partitions) and the values derived from them once per process (|x|^(4/3),
// IMDCT windows and cosines, antialias butterflies, intensity-stereo ratios,
// the DCT factors of the filterbank). Read-only once built.
#pragma once

#include <cstdint>

namespace audiofile {

// Lines of one granule and channel, and the spectral values a big-value
// escape can reach (15 + the largest linbits value, 8191).
inline constexpr int GRANULE_LINES = 576;
inline constexpr int MAX_QUANTISED = 8206;
inline constexpr int SUBBANDS = 32;
inline constexpr int SLOTS = 18;
// The filterbank's output is in 16-bit sample units: the synthesis window is
// the published one multiplied by this scale. 32768 maps the standard's full
// scale onto the 16-bit range exactly; 32767 would leave every sample short by
// 1/32768 of itself, a full LSB near full scale, and the reference decodings of
// the conformance streams are not met with it.
inline constexpr double SYNTHESIS_SCALE = 32768.0;

struct ScaleFactorBands {
  std::uint16_t longBounds[23];   // line of each long band's start, then 576
  std::uint16_t shortBounds[14];  // line (per window) of each short band's start, then 192
};

// The band boundaries for MPEG-1 or MPEG-2 and a sample-rate index 0..2.
const ScaleFactorBands& scaleFactorBands(bool mpeg1, int rateIndex);

// ISO/IEC 11172-3 Table 3-B.6: the pre-emphasis added to long-band scale
// factors when preflag is set.
extern const std::uint8_t PRETAB[22];

// ISO/IEC 11172-3, scalefac_compress: slen1 and slen2 of MPEG-1 scale factors.
extern const std::uint8_t MPEG1_SLEN[2][16];

// ISO/IEC 13818-3, nr_of_sfb_block: scale factors in each of the four
// partitions, by partition table (0-2 normal, 3-5 the right channel with
// intensity stereo) and block kind (0 long, 1 short, 2 mixed).
extern const std::uint8_t MPEG2_PARTITION_SIZES[6][3][4];

// Exponents e of the gains 2^(e/4) held ready in Layer3Tables::gainPowers;
// requantisation reaches from about -330 to 45.
inline constexpr int GAIN_POWER_LOWEST = -512;
inline constexpr int GAIN_POWER_COUNT = 640;

struct Layer3Tables {
  double pow43[MAX_QUANTISED + 1];      // |x|^(4/3)
  double quarterPowers[4];              // 2^(k/4); 2^(e/4) = ldexp(quarterPowers[e & 3], e >> 2)
  double gainPowers[GAIN_POWER_COUNT];  // 2^(e/4) from GAIN_POWER_LOWEST up, by that same ldexp
  double antialiasCs[8];
  double antialiasCa[8];
  // Long-block windows by [odd subband][block type]; the odd-subband copies
  // carry the frequency inversion (every odd sample negated).
  double longWindow[2][4][36];
  double shortWindow[2][12];
  double dct4Prescale[18];  // 1 / (2 cos(pi (2n + 1) / 72)): the 18-point DCT-IV through a DCT-II
  double dct9[9][9];        // cos(pi k (2n + 1) / 18)
  double lee18[9];
  double imdct12[12][6];  // cos(pi / 24 (2i + 7)(2k + 1))
  // Butterfly factors 1 / (2 cos(pi (2n + 1) / 2N)) of the 32-point DCT's five stages.
  double lee32[16];
  double lee16[8];
  double lee8[4];
  double lee4[2];
  double lee2[1];
  double synthesisWindow[512];
  // Intensity-stereo factors {left, right}: MPEG-1 by is_pos 0..6; MPEG-2 by
  // intensity_scale and is_pos 0..63. [1][...] holds the values times sqrt(2)
  // for frames that also use mid/side, whose gain already carries 1/sqrt(2).
  double intensityMpeg1[2][7][2];
  double intensityMpeg2[2][2][64][2];
};

// The tables, built on the first call; thread-safe.
const Layer3Tables& layer3Tables();

}  // namespace audiofile
