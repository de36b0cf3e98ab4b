// The engine's forward FFT: one small interface over the transforms we carry,
// so the analysis does not care which one runs. All memory and any plan are
// made at construction; forward() allocates nothing.
#pragma once

#include <memory>

namespace tuning {

enum class FftBackend {
  Fftw,    // FFTW3, double precision, planned once at construction
  Radix2,  // our own iterative radix-2 transform with a precomputed twiddle table
};

// Unscaled forward DFT of n real points (n a power of two, at least 4):
// X[k] = sum x[m] * exp(-j*2*pi*k*m/n) for k = 0..n/2.
class RealFft {
 public:
  virtual ~RealFft() = default;
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  int size() const { return n_; }
  // The n input samples; forward() may overwrite them.
  virtual double* input() = 0;
  // Bins 0..n/2 after forward(), interleaved: bin k is spectrum()[2k] +
  // j*spectrum()[2k + 1].
  virtual const double* spectrum() const = 0;
  virtual void forward() = 0;

 protected:
  explicit RealFft(int n) : n_(n) {}

 private:
  int n_;
};

// Null when n is not a power of two of at least 4 or memory runs out.
std::unique_ptr<RealFft> makeRealFft(int n, FftBackend backend);

// Whether this build carries FFTW (the Windows build does not: no build of it
// for the cross compiler is packaged); without it makeRealFft gives null for it.
inline constexpr bool FFTW_AVAILABLE = CANTORA_HAVE_FFTW;

// The transform the engine uses (chosen by the FFT benchmark in bench/tuning).
inline constexpr FftBackend DEFAULT_FFT_BACKEND =
    FFTW_AVAILABLE ? FftBackend::Fftw : FftBackend::Radix2;

}  // namespace tuning
