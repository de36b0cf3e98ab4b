// The two filterbanks of the Layer III decoder, from spectral lines to 16-bit
// samples: the IMDCT with windowing and overlap-add per subband, then the
// polyphase synthesis. Each comes twice: in double precision (the reference,
// slower) and in single precision (the one decoding uses, about twice as many
// values per vector instruction). The two agree to within a rounding step of
// the output; the arithmetic of each is fixed (no fused multiply-add, no
// reordered sums), so its output is the same on every processor and build.
#pragma once

#include <cstdint>

#include "audiofile/layer3_tables.h"

namespace audiofile {

struct BlockShape {
  bool shortBlocks = false;
  bool mixedBlock = false;
  int longType = 0;  // window of long subbands: the block type, 0 without window switching
};

// The state one precision keeps per channel between granules, and the
// subband samples handed from the IMDCT to the synthesis.
template <class Real>
struct FilterbankState {
  Real overlap[2][SLOTS][SUBBANDS] = {};  // [channel][slot][subband]
  Real subbandSamples[SLOTS][SUBBANDS] = {};
  // Per channel, the last 16 synthesis vectors: [slot][0..31] the values at
  // the even taps, [slot][32..63] those at the odd taps.
  Real ring[2][16][64] = {};
};

// IMDCT, windowing and overlap-add of every subband below `limit` of the
// lines xr (for short blocks already ordered [subband][window][line]); the
// subbands above carry only the overlap of the granule before.
void transformSubbands(const double* xr, int limit, const BlockShape& shape,
                       double (*overlaps)[SUBBANDS], double (*subbandSamples)[SUBBANDS]);
void transformSubbands(const double* xr, int limit, const BlockShape& shape,
                       float (*overlaps)[SUBBANDS], float (*subbandSamples)[SUBBANDS]);

// The synthesis of the 18 slots of one granule and channel into the 576
// samples of output; ringPosition turns once per slot.
void synthesiseSlots(const double (*subbands)[SUBBANDS], double (*ring)[64], int& ringPosition,
                     std::int16_t* output);
void synthesiseSlots(const float (*subbands)[SUBBANDS], float (*ring)[64], int& ringPosition,
                     std::int16_t* output);

}  // namespace audiofile
