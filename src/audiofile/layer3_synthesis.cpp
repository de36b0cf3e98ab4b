// From spectrum to samples: reordering of short blocks, the antialias
// butterflies, the IMDCT with windowing and overlap-add, and the polyphase
// synthesis filterbank with its 32-point DCT.
#include <algorithm>
#include <cstring>

#include "audiofile/layer3_decoder.h"
#include "audiofile/layer3_filterbank.h"

namespace audiofile {
namespace {

// The filterbank's inner loops gain most from wider vectors; where the
// compiler can, it builds an AVX2 copy picked at load time on machines that
// have it. The arithmetic is the same either way (no fused multiply-add, no
// reordered sums), so the output does not depend on the machine. Not under
// ThreadSanitizer: the loader runs the copy-picking resolver before the
// sanitizer's runtime is up, and the instrumented resolver crashes. Windows
// executables have no load-time selection (ifunc) and keep the default copy.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_THREAD__) && !defined(_WIN32)
#define CANTORA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CANTORA_VECTOR_CLONES
#endif

// Independent transforms side by side, one per lane (four doubles or eight
// floats): each lane goes through exactly the operations of the scalar code,
// in the same order, so a lane's result is the scalar result bit for bit.
template <class Real>
struct LaneType;
template <>
struct LaneType<double> {
  using Type = double __attribute__((vector_size(32)));
};
template <>
struct LaneType<float> {
  using Type = float __attribute__((vector_size(32)));
};
template <class Real>
using Lanes = typename LaneType<Real>::Type;
template <class Real>
constexpr int LANES = 32 / sizeof(Real);

// The filterbank's constants in single precision, rounded from the double
// ones; the same member names as Layer3Tables, so one template serves both.
struct SingleTables {
  float longWindow[2][4][36];
  float shortWindow[2][12];
  float dct4Prescale[18];
  float dct9[9][9];
  float lee18[9];
  float imdct12[12][6];
  float lee32[16];
  float lee16[8];
  float lee8[4];
  float lee4[2];
  float lee2[1];
  float synthesisWindow[512];
};

template <std::size_t N>
void narrow(const double (&from)[N], float (&to)[N]) {
  for (std::size_t i = 0; i < N; ++i) to[i] = static_cast<float>(from[i]);
}
template <std::size_t M, std::size_t N>
void narrow(const double (&from)[M][N], float (&to)[M][N]) {
  for (std::size_t i = 0; i < M; ++i) narrow(from[i], to[i]);
}

const SingleTables& singleTables() {
  static const SingleTables tables = [] {
    const Layer3Tables& t = layer3Tables();
    SingleTables s;
    for (int odd = 0; odd < 2; ++odd) narrow(t.longWindow[odd], s.longWindow[odd]);
    narrow(t.shortWindow, s.shortWindow);
    narrow(t.dct4Prescale, s.dct4Prescale);
    narrow(t.dct9, s.dct9);
    narrow(t.lee18, s.lee18);
    narrow(t.imdct12, s.imdct12);
    narrow(t.lee32, s.lee32);
    narrow(t.lee16, s.lee16);
    narrow(t.lee8, s.lee8);
    narrow(t.lee4, s.lee4);
    narrow(t.lee2, s.lee2);
    narrow(t.synthesisWindow, s.synthesisWindow);
    return s;
  }();
  return tables;
}

template <class Real>
const auto& tablesFor() {
  if constexpr (sizeof(Real) == sizeof(double)) {
    return layer3Tables();
  } else {
    return singleTables();
  }
}

// Zero input for lanes past the end.
template <class Real>
constexpr Real ZERO_ROW[SUBBANDS] = {};

// Line n of LANES rows, as Real. (Written through a reference: a vector
// return value would depend on the instruction set the caller was built for.)
template <class Real, class From>
inline void gather(const From* const* rows, int n, Lanes<Real>& out) {
  for (int l = 0; l < LANES<Real>; ++l) out[l] = static_cast<Real>(rows[l][n]);
}

template <int N>
struct IntLaneType;
template <>
struct IntLaneType<4> {
  using Type = int __attribute__((vector_size(16)));
};
template <>
struct IntLaneType<8> {
  using Type = int __attribute__((vector_size(32)));
};

// toSample() of 32 values, a vector at a time, as int.
template <class Real>
inline void roundSamples(const Real* sums, int* samples) {
  using V = Lanes<Real>;
  using IntLanes = typename IntLaneType<LANES<Real>>::Type;
  const V highest = V{} + Real(32767);
  const V lowest = V{} - Real(32768);
  const V half = V{} + Real(0.5);
  for (int j = 0; j < 32; j += LANES<Real>) {
    V s;
    std::memcpy(&s, sums + j, sizeof s);
    s = s > highest ? highest : s;
    s = s < lowest ? lowest : s;
    s = s > Real(0) ? s + half : s - half;
    const IntLanes rounded = __builtin_convertvector(s, IntLanes);
    std::memcpy(samples + j, &rounded, sizeof rounded);
  }
}

// DCT-II, X[k] = sum x[n] cos(pi k (2n + 1) / 2N), split into halves stage by
// stage: the sums give the even outputs, the scaled differences the odd ones.
// T is a scalar or a vector of lanes.
template <int N, class Tables>
const auto* leeFactors(const Tables& t) {
  if constexpr (N == 32) return t.lee32;
  if constexpr (N == 16) return t.lee16;
  if constexpr (N == 8) return t.lee8;
  if constexpr (N == 4) return t.lee4;
  if constexpr (N == 2) return t.lee2;
  if constexpr (N == 18) return t.lee18;
}

template <int N, class T, class Tables>
inline void dct2(const T* x, T* out, const Tables& t) {
  if constexpr (N == 1) {
    out[0] = x[0];
  } else if constexpr (N == 9) {
    for (int k = 0; k < 9; ++k) {
      T sum{};
      for (int n = 0; n < 9; ++n) sum += x[n] * t.dct9[k][n];
      out[k] = sum;
    }
  } else {
    constexpr int H = N / 2;
    const auto* f = leeFactors<N>(t);
    T a[H];
    T b[H];
    for (int n = 0; n < H; ++n) {
      a[n] = x[n] + x[N - 1 - n];
      b[n] = (x[n] - x[N - 1 - n]) * f[n];
    }
    T evens[H];
    T odds[H];
    dct2<H>(a, evens, t);
    dct2<H>(b, odds, t);
    for (int k = 0; k < H - 1; ++k) {
      out[2 * k] = evens[k];
      out[2 * k + 1] = odds[k] + odds[k + 1];
    }
    out[N - 2] = evens[H - 1];
    out[N - 1] = odds[H - 1];
  }
}

// 36-point IMDCT of 18 lines (v: the lines already multiplied by
// dct4Prescale) through an 18-point DCT-IV: y = DCT-IV(X), then the 36
// outputs are y[9..17], -y[17..0], -y[0..8].
template <class T, class Tables>
inline void imdct36(const T* v, T* out, const Tables& t) {
  T c[18];
  dct2<18>(v, c, t);
  T y[18];
  for (int k = 0; k < 17; ++k) y[k] = c[k] + c[k + 1];
  y[17] = c[17];
  for (int i = 0; i < 9; ++i) out[i] = y[9 + i];
  for (int i = 9; i < 27; ++i) out[i] = -y[26 - i];
  for (int i = 27; i < 36; ++i) out[i] = -y[i - 27];
}

// Long blocks go LANES subbands at a time, short ones one by one.
// Always inlined, so each copy of the callers below gets them built for its
// own instruction set.
template <class Real>
[[gnu::always_inline]] inline void transformIn(const double* xr, int limit, const BlockShape& shape,
                                               Real (*overlaps)[SUBBANDS],
                                               Real (*subbandSamples)[SUBBANDS]) {
  using V = Lanes<Real>;
  constexpr int W = LANES<Real>;
  const auto& t = tablesFor<Real>();
  int sb = 0;
  if (!shape.shortBlocks) {
    // The window of each lane; a start or stop block flagged as mixed keeps
    // the normal window in its two lowest subbands.
    V windows[36];
    V lowestWindows[36];
    const int lowType = shape.mixedBlock ? 0 : shape.longType;
    for (int i = 0; i < 36; ++i) {
      for (int l = 0; l < W; ++l) {
        windows[i][l] = t.longWindow[l & 1][shape.longType][i];
        lowestWindows[i][l] = t.longWindow[l & 1][l < 2 ? lowType : shape.longType][i];
      }
    }
    for (; sb < limit; sb += W) {
      const V* window = sb == 0 ? lowestWindows : windows;
      const double* rows[W];
      for (int l = 0; l < W; ++l)
        rows[l] = sb + l < limit ? xr + (sb + l) * SLOTS : ZERO_ROW<double>;
      V v[18];
      for (int n = 0; n < 18; ++n) {
        gather<Real>(rows, n, v[n]);
        v[n] *= t.dct4Prescale[n];
      }
      V z[36];
      imdct36(v, z, t);
      for (int i = 0; i < 36; ++i) z[i] *= window[i];
      for (int i = 0; i < SLOTS; ++i) {
        V previous;
        std::memcpy(&previous, &overlaps[i][sb], sizeof previous);
        const V sum = z[i] + previous;
        std::memcpy(&subbandSamples[i][sb], &sum, sizeof sum);
        std::memcpy(&overlaps[i][sb], &z[SLOTS + i], sizeof previous);
      }
    }
  }
  for (; sb < SUBBANDS; ++sb) {
    if (sb >= limit) {
      for (int i = 0; i < SLOTS; ++i) {
        subbandSamples[i][sb] = overlaps[i][sb];
        overlaps[i][sb] = Real(0);
      }
      continue;
    }
    const int odd = sb & 1;
    const bool longHere = !shape.shortBlocks || (shape.mixedBlock && sb < 2);
    Real z[36];
    if (longHere) {
      const int type = shape.mixedBlock && sb < 2 ? 0 : shape.longType;
      Real v[18];
      for (int n = 0; n < 18; ++n) v[n] = static_cast<Real>(xr[sb * SLOTS + n]) * t.dct4Prescale[n];
      imdct36(v, z, t);
      const auto* window = t.longWindow[odd][type];
      for (int i = 0; i < 36; ++i) z[i] *= window[i];
    } else {
      std::fill(z, z + 36, Real(0));
      const auto* window = t.shortWindow[odd];
      for (int w = 0; w < 3; ++w) {
        Real in[6];
        for (int k = 0; k < 6; ++k) in[k] = static_cast<Real>(xr[sb * SLOTS + w * 6 + k]);
        for (int i = 0; i < 12; ++i) {
          const auto* c = t.imdct12[i];
          const Real y = in[0] * c[0] + in[1] * c[1] + in[2] * c[2] + in[3] * c[3] + in[4] * c[4] +
                         in[5] * c[5];
          z[6 + 6 * w + i] += y * window[i];
        }
      }
    }
    for (int i = 0; i < SLOTS; ++i) {
      subbandSamples[i][sb] = z[i] + overlaps[i][sb];
      overlaps[i][sb] = z[SLOTS + i];
    }
  }
}

template <class Real>
[[gnu::always_inline]] inline void synthesiseIn(const Real (*subbands)[SUBBANDS], Real (*ring)[64],
                                                int& ringPosition, std::int16_t* output) {
  using V = Lanes<Real>;
  constexpr int W = LANES<Real>;
  const auto& t = tablesFor<Real>();
  const auto* d = t.synthesisWindow;
  for (int first = 0; first < SLOTS; first += W) {
    // The 32-point DCTs of W slots at once; lane l holds slot first + l.
    const Real* rows[W];
    for (int l = 0; l < W; ++l) rows[l] = first + l < SLOTS ? subbands[first + l] : ZERO_ROW<Real>;
    V in[32];
    for (int n = 0; n < 32; ++n) gather<Real>(rows, n, in[n]);
    V dct[32];
    dct2<32>(in, dct, t);
    Real x[32][W];
    std::memcpy(x, dct, sizeof x);
    for (int l = 0; l < W && first + l < SLOTS; ++l) {
      // The 64 matrixed values V[0..63] from the 32 DCT outputs: V[i] = X'[16 + i]
      // where X'[32] = 0, X'[64 - m] = -X[m] and X'[64 + m] = -X[m].
      const int position = ringPosition = (ringPosition + 15) & 15;
      Real* v = ring[position];
      for (int j = 0; j < 16; ++j) v[j] = x[16 + j][l];
      v[16] = Real(0);
      for (int j = 17; j < 32; ++j) v[j] = -x[48 - j][l];
      for (int j = 0; j < 16; ++j) v[32 + j] = -x[16 - j][l];
      for (int j = 16; j < 32; ++j) v[32 + j] = -x[j - 16][l];
      Real sums[32] = {};
      for (int m = 0; m < 8; ++m) {
        const Real* even = ring[(position + 2 * m) & 15];
        const Real* odd = ring[(position + 2 * m + 1) & 15] + 32;
        const auto* de = d + 64 * m;
        const auto* dodd = d + 64 * m + 32;
        for (int j = 0; j < 32; ++j) sums[j] += de[j] * even[j] + dodd[j] * odd[j];
      }
      int samples[32];
      roundSamples(sums, samples);
      std::int16_t* out = output + (first + l) * 32;
      for (int j = 0; j < 32; ++j) out[j] = static_cast<std::int16_t>(samples[j]);
    }
  }
}

}  // namespace

CANTORA_VECTOR_CLONES
void transformSubbands(const double* xr, int limit, const BlockShape& shape,
                       double (*overlaps)[SUBBANDS], double (*subbandSamples)[SUBBANDS]) {
  transformIn(xr, limit, shape, overlaps, subbandSamples);
}

CANTORA_VECTOR_CLONES
void transformSubbands(const double* xr, int limit, const BlockShape& shape,
                       float (*overlaps)[SUBBANDS], float (*subbandSamples)[SUBBANDS]) {
  transformIn(xr, limit, shape, overlaps, subbandSamples);
}

CANTORA_VECTOR_CLONES
void synthesiseSlots(const double (*subbands)[SUBBANDS], double (*ring)[64], int& ringPosition,
                     std::int16_t* output) {
  synthesiseIn(subbands, ring, ringPosition, output);
}

CANTORA_VECTOR_CLONES
void synthesiseSlots(const float (*subbands)[SUBBANDS], float (*ring)[64], int& ringPosition,
                     std::int16_t* output) {
  synthesiseIn(subbands, ring, ringPosition, output);
}

void Layer3Decoder::hybrid(int granule, int channel) {
  const Layer3Tables& t = layer3Tables();
  const GranuleChannel& gc = side_.granules[granule][channel];
  const bool shortBlocks = gc.windowSwitching && gc.blockType == 2;
  double* xr = spectrum_[channel];
  int limit = std::min(SUBBANDS, (nonzero_[channel] + SLOTS - 1) / SLOTS);

  if (shortBlocks) {
    // Short windows come band by band, window by window; put each subband's
    // six lines per window together: [subband][window][line].
    const ScaleFactorBands& bands = scaleFactorBands(header_.mpeg1, header_.rateIndex);
    const int firstShort = gc.mixedBlock ? 3 : 0;
    const int longLines = gc.mixedBlock ? 36 : 0;
    std::copy(xr, xr + longLines, reordered_);
    std::fill(reordered_ + longLines, reordered_ + GRANULE_LINES, 0.0);
    int highest = longLines;
    for (int sfb = firstShort; sfb < 13; ++sfb) {
      const int begin = bands.shortBounds[sfb];
      const int width = bands.shortBounds[sfb + 1] - begin;
      if (3 * begin >= nonzero_[channel]) break;
      for (int w = 0; w < 3; ++w) {
        const double* from = xr + 3 * begin + w * width;
        for (int i = 0; i < width; ++i) {
          const int f = begin + i;
          reordered_[(f / 6) * SLOTS + w * 6 + f % 6] = from[i];
        }
      }
      highest = std::max(highest, 3 * (begin + width));
    }
    limit = std::min(SUBBANDS, (highest + SLOTS - 1) / SLOTS);
    xr = reordered_;
    if (gc.mixedBlock) limit = std::max(limit, 2);
  }

  // Antialias butterflies between neighbouring long-block subbands.
  // The butterflies reach one subband past the last non-zero one.
  const int butterflyEnd = shortBlocks ? (gc.mixedBlock ? 2 : 0) : limit + 1;
  for (int sb = 1; sb < butterflyEnd && sb < SUBBANDS; ++sb) {
    double* lower = xr + sb * SLOTS - 1;
    double* upper = xr + sb * SLOTS;
    for (int i = 0; i < 8; ++i) {
      const double a = lower[-i];
      const double b = upper[i];
      lower[-i] = a * t.antialiasCs[i] - b * t.antialiasCa[i];
      upper[i] = b * t.antialiasCs[i] + a * t.antialiasCa[i];
    }
  }
  if (!shortBlocks) limit = std::min(SUBBANDS, limit + 1);

  BlockShape shape;
  shape.shortBlocks = shortBlocks;
  shape.mixedBlock = gc.mixedBlock;
  shape.longType = gc.windowSwitching ? gc.blockType : 0;
  if (reference_) {
    transformSubbands(xr, limit, shape, exact_.overlap[channel], exact_.subbandSamples);
  } else {
    transformSubbands(xr, limit, shape, fast_.overlap[channel], fast_.subbandSamples);
  }
}

void Layer3Decoder::synthesise(int channel) {
  if (reference_) {
    synthesiseSlots(exact_.subbandSamples, exact_.ring[channel], ringPosition_[channel],
                    pcm_[channel]);
  } else {
    synthesiseSlots(fast_.subbandSamples, fast_.ring[channel], ringPosition_[channel],
                    pcm_[channel]);
  }
}

}  // namespace audiofile
