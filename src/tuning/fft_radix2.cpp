// RealFft by our own transform: the n real points are packed as n/2 complex
// points (even samples real, odd samples imaginary), run through an iterative
// radix-2 decimation-in-time FFT, and separated into the n-point spectrum.
// Twiddles come from tables made at construction, not from a recurrence, so
// rounding does not build up over the stages.
#include <cmath>
#include <new>
#include <numbers>

#include "tuning/fft_backends.h"

namespace tuning {

namespace {

template <typename T>
std::unique_ptr<T[]> allocate(int count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

class Radix2RealFft final : public RealFft {
 public:
  explicit Radix2RealFft(int n)
      : RealFft(n),
        half_(n / 2),
        in_(allocate<double>(n)),
        out_(allocate<double>(2 * (half_ + 1))),
        zr_(allocate<double>(half_)),
        zi_(allocate<double>(half_)),
        bitReverse_(allocate<int>(half_)),
        twCos_(allocate<double>(half_ / 2 + 1)),
        twSin_(allocate<double>(half_ / 2 + 1)),
        splitCos_(allocate<double>(half_ + 1)),
        splitSin_(allocate<double>(half_ + 1)) {
    if (!in_ || !out_ || !zr_ || !zi_ || !bitReverse_ || !twCos_ || !twSin_ || !splitCos_ ||
        !splitSin_)
      return;
    int bits = 0;
    while ((1 << bits) < half_) ++bits;
    for (int i = 0; i < half_; ++i) {
      int r = 0;
      for (int b = 0; b < bits; ++b)
        if (i & (1 << b)) r |= 1 << (bits - 1 - b);
      bitReverse_[i] = r;
    }
    for (int k = 0; k <= half_ / 2; ++k) {
      double angle = 2.0 * std::numbers::pi * k / half_;
      twCos_[k] = std::cos(angle);
      twSin_[k] = std::sin(angle);
    }
    for (int k = 0; k <= half_; ++k) {
      double angle = 2.0 * std::numbers::pi * k / n;
      splitCos_[k] = std::cos(angle);
      splitSin_[k] = std::sin(angle);
    }
    ready_ = true;
  }

  bool ready() const { return ready_; }
  double* input() override { return in_.get(); }
  const double* spectrum() const override { return out_.get(); }

  void forward() override {
    const double* x = in_.get();
    double* zr = zr_.get();
    double* zi = zi_.get();
    for (int m = 0; m < half_; ++m) {
      zr[bitReverse_[m]] = x[2 * m];
      zi[bitReverse_[m]] = x[2 * m + 1];
    }
    complexForward();
    separate();
  }

 private:
  void complexForward() {
    double* zr = zr_.get();
    double* zi = zi_.get();
    for (int span = 2; span <= half_; span *= 2) {
      const int step = half_ / span;
      const int h = span / 2;
      for (int start = 0; start < half_; start += span) {
        for (int j = 0; j < h; ++j) {
          // forward sign: w = exp(-j*2*pi*j/span)
          const double wr = twCos_[j * step];
          const double wi = -twSin_[j * step];
          const int a = start + j;
          const int b = a + h;
          const double tr = zr[b] * wr - zi[b] * wi;
          const double ti = zr[b] * wi + zi[b] * wr;
          zr[b] = zr[a] - tr;
          zi[b] = zi[a] - ti;
          zr[a] += tr;
          zi[a] += ti;
        }
      }
    }
  }

  // X[k] = E[k] + exp(-j*2*pi*k/n) * O[k], with E and O the spectra of the even
  // and odd samples recovered from Z[k] and conj(Z[half - k]).
  void separate() {
    const double* zr = zr_.get();
    const double* zi = zi_.get();
    for (int k = 0; k <= half_; ++k) {
      const int a = k % half_;
      const int b = (half_ - k) % half_;
      const double er = 0.5 * (zr[a] + zr[b]);
      const double ei = 0.5 * (zi[a] - zi[b]);
      const double orr = 0.5 * (zi[a] + zi[b]);
      const double oi = -0.5 * (zr[a] - zr[b]);
      const double c = splitCos_[k];
      const double s = splitSin_[k];
      out_[2 * k] = er + c * orr + s * oi;
      out_[2 * k + 1] = ei + c * oi - s * orr;
    }
  }

  int half_;
  std::unique_ptr<double[]> in_, out_, zr_, zi_;
  std::unique_ptr<int[]> bitReverse_;
  std::unique_ptr<double[]> twCos_, twSin_, splitCos_, splitSin_;
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<RealFft> makeRadix2RealFft(int n) {
  std::unique_ptr<Radix2RealFft> fft(new (std::nothrow) Radix2RealFft(n));
  if (!fft || !fft->ready()) return nullptr;
  return fft;
}

}  // namespace tuning
