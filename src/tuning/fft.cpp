#include "tuning/fft.h"

#include "tuning/fft_backends.h"

namespace tuning {

std::unique_ptr<RealFft> makeRealFft(int n, FftBackend backend) {
  if (n < 4 || (n & (n - 1)) != 0) return nullptr;
  switch (backend) {
    case FftBackend::Fftw:
#if CANTORA_HAVE_FFTW
      return makeFftwRealFft(n);
#else
      return nullptr;
#endif
    case FftBackend::Radix2:
      return makeRadix2RealFft(n);
  }
  return nullptr;
}

}  // namespace tuning
