// TuningEngine: the pitch detector and the pitch-synchronous grain shifter that
// corrects toward the allowed notes. One engine serves one readout or one
// tuning run; it allocates everything at construction and nothing afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "tuning/fft.h"
#include "tuning/tuning_constants.h"

namespace tuning {

struct EngineParams {
  int sampleRate = SAMPLE_RATE;
  int pitchShift = 0;  // semitones, -12..12
  // One flag per pitch class: A, Bb, B, C, Db, D, Eb, E, F, Gb, G, Ab.
  std::array<bool, PITCH_CLASSES> noteEnabled{};
  float grace = 0.0f;  // milliseconds, 0..250
};

// A plain record: the readout fills inputRing and writePos itself, tests read
// the analysis results. Arrays are owned here and sized at construction.
struct TuningEngine {
  // Builds an engine with frame size `frameSize` (a power of two, at least 64).
  // Allocation failure leaves ok false; such an engine must only be destroyed.
  TuningEngine(const EngineParams& params, int frameSize, FftBackend backend = DEFAULT_FFT_BACKEND);
  TuningEngine(const TuningEngine&) = delete;
  TuningEngine& operator=(const TuningEngine&) = delete;

  bool ok = false;

  // Parameters and sizes.
  std::array<bool, PITCH_CLASSES> noteEnabled{};
  int frameSize = 0;  // N
  int halfSize = 0;   // N/2
  int hopSize = 0;    // N/4
  int sampleRate = 0;
  double binWidth = 0.0;  // sampleRate / N
  float pitchShift = 0.0f;
  float grace = 0.0f;
  float referenceFrequency = REFERENCE_FREQUENCY;
  float voicingThreshold = VOICING_THRESHOLD;

  // Analysis.
  std::unique_ptr<float[]> inputRing;        // the last N input samples, about +-1
  int writePos = 0;                          // next slot to write, also the oldest sample
  std::unique_ptr<RealFft> fft;              // N-point transform and its work arrays
  std::unique_ptr<double[]> powerSpectrum;   // bins 0..N/2
  std::unique_ptr<float[]> autocorrelation;  // normalised, by lag, N/2 entries
  std::unique_ptr<float[]> analysisWindow;   // N
  std::unique_ptr<float[]> lagWeight;        // N/2
  int minLag = 0;
  int maxLag = 0;
  float clarity = 0.0f;
  float periodSeconds = 0.0f;
  float detectedSemitones = 0.0f;
  double refinedPeriod = 0.0;

  // Correction.
  std::unique_ptr<float[]> outputRing;       // N
  std::unique_ptr<float[]> weightRing;       // N: the sum of grain windows in each outputRing slot
  std::unique_ptr<float[]> synthesisWindow;  // N
  std::unique_ptr<float[]> grainSource;      // N
  float glide = 1.0f;
  float decayPerHop = 0.0f;
  float memoryWeight = 0.0f;
  float noteState = 0.0f;
  bool voiced = false;
  float pitchRatio = 1.0f;
  float periodStep = 0.0f;
  float analysisPhase = 0.0f;
  float synthesisPhase = 0.0f;
  std::int32_t samplesSinceGrain = 0;
  int readPos = 0;
};

// The Grace mapping: 1 for grace <= 0, else 1 - (1/24)^(hop ms / grace ms), so
// that after `grace` milliseconds of steady voicing about 23/24 of a pitch
// difference is corrected. Always in (0, 1].
float glideForGrace(float grace, int hopSize, int sampleRate);

// Analyses the N samples in inputRing, oldest first from writePos.
void AnalyseFrame(TuningEngine& engine);

// Correction steps after each analysis; ProcessBlock calls them.
void ChooseTarget(TuningEngine& engine);
void ComputeRatio(TuningEngine& engine);
void SynthesiseSample(TuningEngine& engine);

// Feeds hopSize samples in and takes hopSize corrected samples out. Does
// nothing on an engine that is not ok. Allocates nothing.
void ProcessBlock(TuningEngine& engine, const std::int16_t* input, std::int16_t* output);

}  // namespace tuning
