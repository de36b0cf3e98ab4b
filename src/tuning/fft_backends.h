// The FFT backends behind RealFft, one file each; only fft.cpp picks among them.
#pragma once

#include <memory>

#include "tuning/fft.h"

namespace tuning {

// n is a power of two of at least 4 (checked by makeRealFft). Null when memory
// or planning fails.
std::unique_ptr<RealFft> makeFftwRealFft(int n);
std::unique_ptr<RealFft> makeRadix2RealFft(int n);

}  // namespace tuning
