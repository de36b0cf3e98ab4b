// Steps of the analysis shared by AnalyseFrame and the engine's construction
// (which runs them over the analysis window itself to get the lag weights).
#pragma once

#include "tuning/tuning_engine.h"

namespace tuning {

// With the frame already windowed into engine.fft->input(): transforms it,
// keeps its power spectrum in engine.powerSpectrum (bin 0 set to 0 when
// dropDc), and transforms the power spectrum, extended to N points as an even
// sequence, again. Returns that second transform's bins, interleaved: the
// autocorrelation r[m] (N times the circular autocorrelation, exact for lags
// below N/2) is element 2m, for m = 0..N/2.
const double* autocorrelateFrame(TuningEngine& engine, bool dropDc);

}  // namespace tuning
