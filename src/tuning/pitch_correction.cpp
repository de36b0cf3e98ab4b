// The correcting half of the engine: a streaming pitch-synchronous grain
// shifter. Every hop the last frame is analysed and a target pitch class is
// chosen; grains of the input, one per input period, are resampled by the pitch
// ratio and overlap-added with a Hann window, one per output period.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "tuning/tuning_engine.h"

namespace tuning {

namespace {

constexpr double INPUT_SCALE = 1.0 / 32768.0;  // 3.0517578125e-5
constexpr double OUTPUT_SCALE = 32767.0;

// The shortest signed distance from x to a whole number of octaves, in -6..6.
double wrapToOctave(double x) {
  return x - 12.0 * std::floor(x / 12.0 + 0.5);
}

// Cubic through y0..y3 between y1 and y2 at fraction f.
float cubic(const float* y, float f) {
  const float a0 = y[3] - y[2] - y[0] + y[1];
  const float a1 = y[0] - y[1] - a0;
  const float a2 = y[2] - y[0];
  const float f2 = static_cast<float>(static_cast<double>(f) * f);
  return static_cast<float>(static_cast<double>(a0) * f2 * f + static_cast<double>(a1) * f2 +
                            static_cast<double>(a2) * f + y[1]);
}

// Cosine blend between a and b at fraction f (at the ends of grainSource, where
// the cubic's neighbours would fall outside).
float cosine(float a, float b, float f) {
  const float c = static_cast<float>(std::cos(static_cast<float>(PI_SINGLE * f)));
  const double mu = (1.0 - c) / 2.0;
  return static_cast<float>(a * (1.0 - mu) + b * mu);
}

// Takes the snapshot the next grains are cut from: index 0 is the sample
// written N/2 samples ago, indices above it newer, those from N/2 up older.
// It is the ring rotated by writePos + N/2, copied as at most three runs.
void refreshGrainSource(TuningEngine& e) {
  const int n = e.frameSize;
  const float* ring = e.inputRing.get();
  float* source = e.grainSource.get();
  int from = e.writePos;
  int to = e.halfSize;
  int left = n;
  while (left > 0) {
    const int run = std::min({left, n - from, n - to});
    std::memcpy(source + to, ring + from, sizeof(float) * run);
    from = (from + run) & (n - 1);
    to = (to + run) & (n - 1);
    left -= run;
  }
}

// One grain: about two input periods of the snapshot around its centre, read
// at speed pitchRatio into two output periods, shaped by the whole Hann window
// stretched over them, and centred N/2 samples ahead of the read point.
void emitGrain(TuningEngine& e) {
  const int n = e.frameSize;
  const int mask = n - 1;  // N is a power of two
  const int half = e.halfSize;
  // Two output periods, so that successive Hann windows overlap by half and
  // add up to one at any ratio: the level stays that of the input. The grain
  // reads grainSize * ratio samples of the snapshot, which must stay within it.
  std::int32_t length = 2 * e.samplesSinceGrain;
  if (length > n) length = n;
  int grainSize = std::min(length, half - 1);
  const int widest = static_cast<int>((n - 2) / static_cast<double>(e.pitchRatio));
  if (grainSize > widest) grainSize = widest;
  const int h = grainSize / 2;
  if (h == 0) return;
  const float* source = e.grainSource.get();
  const float* window = e.synthesisWindow.get();
  float* out = e.outputRing.get();
  float* weights = e.weightRing.get();
  const double ratio = e.pitchRatio;

  // The window index is (N*k)/G + N/2, truncated toward zero; it is stepped
  // from k = -h with a quotient and remainder instead of dividing per sample.
  // For k < 0 it is N/2 - (N*|k|)/G.
  const int quotientStep = n / grainSize;
  const int remainderStep = n % grainSize;
  int quotient = static_cast<int>(static_cast<std::int64_t>(n) * h / grainSize);
  int remainder = static_cast<int>(static_cast<std::int64_t>(n) * h % grainSize);
  int t = (e.readPos + half - h + n) & mask;
  for (int k = -h; k < h; ++k) {
    int w;
    if (k < 0) {
      w = half - quotient;
      // step |k| down by one
      quotient -= quotientStep;
      remainder -= remainderStep;
      if (remainder < 0) {
        remainder += grainSize;
        --quotient;
      }
    } else {
      w = half + quotient;
      quotient += quotientStep;
      remainder += remainderStep;
      if (remainder >= grainSize) {
        remainder -= grainSize;
        ++quotient;
      }
    }
    // p stays above 0 (|k| * ratio < N), so truncation is its floor.
    const float p = static_cast<float>(k * ratio + n);
    const int ip = static_cast<int>(p);
    const float f = p - static_cast<float>(ip);
    const int idx = ip & mask;
    float v;
    if (f == 0.0f)
      v = source[idx];
    else if (idx >= 1 && idx < n - 2)
      v = cubic(source + idx - 1, f);
    else
      v = cosine(source[idx], idx == n - 1 ? source[0] : source[idx + 1], f);
    out[t] = static_cast<float>(static_cast<double>(out[t]) + static_cast<double>(v) * window[w]);
    weights[t] += window[w];
    t = (t + 1) & mask;
  }
}

}  // namespace

void ChooseTarget(TuningEngine& e) {
  if (e.clarity < e.voicingThreshold) {
    e.voiced = false;
    e.memoryWeight = static_cast<float>(static_cast<double>(e.memoryWeight) * e.decayPerHop);
    return;
  }
  // Score each class by whether it is allowed, less its distance (0..1) from
  // the sung pitch; an allowed class always beats a disallowed one, and on a
  // tie the higher index wins.
  float bestScore = -1.0f;
  int target = 0;
  for (int i = 0; i < PITCH_CLASSES; ++i) {
    const double d = static_cast<double>(e.detectedSemitones) - i;
    const double distance = std::fabs(d / 6.0 - 2.0 * std::floor(d / 12.0 + 0.5));
    const float score = static_cast<float>((e.noteEnabled[i] ? 1.0 : 0.0) - distance);
    if (score >= bestScore) {
      bestScore = score;
      target = i;
    }
  }
  if (!e.voiced) {
    // Voicing resumes: start from the target, blended with what is left of the
    // note before the pause.
    e.noteState = static_cast<float>((1.0 - e.memoryWeight) * target +
                                     static_cast<double>(e.memoryWeight) * e.noteState);
    e.memoryWeight = 1.0f;
    e.voiced = true;
  }
  const double error = target - static_cast<double>(e.noteState);
  e.noteState = static_cast<float>(e.noteState + e.glide * wrapToOctave(error));
}

void ComputeRatio(TuningEngine& e) {
  const bool frameVoiced = e.clarity >= e.voicingThreshold;
  double correction = 0.0;
  if (frameVoiced)
    correction = wrapToOctave(static_cast<double>(e.noteState) - e.detectedSemitones);
  e.pitchRatio = static_cast<float>(std::pow(2.0, (e.pitchShift + correction) / 12.0));
  if (frameVoiced)
    e.periodStep = static_cast<float>(1.0 / (e.sampleRate * static_cast<double>(e.periodSeconds)));
}

void SynthesiseSample(TuningEngine& e) {
  e.analysisPhase = static_cast<float>(static_cast<double>(e.analysisPhase) + e.periodStep);
  e.synthesisPhase = static_cast<float>(static_cast<double>(e.synthesisPhase) +
                                        static_cast<double>(e.pitchRatio) * e.periodStep);
  if (e.analysisPhase >= 1.0f) {
    e.analysisPhase -= 1.0f;
    refreshGrainSource(e);
  }
  if (e.synthesisPhase >= 1.0f) {
    e.synthesisPhase -= 1.0f;
    emitGrain(e);
    e.samplesSinceGrain = 0;
  }
  e.samplesSinceGrain += 1;
}

void ProcessBlock(TuningEngine& e, const std::int16_t* input, std::int16_t* output) {
  if (!e.ok || e.hopSize < 1) return;
  const int n = e.frameSize;
  float* ring = e.inputRing.get();
  float* out = e.outputRing.get();
  float* weights = e.weightRing.get();
  for (int i = 0; i < e.hopSize; ++i) {
    ring[e.writePos] = static_cast<float>(input[i] * INPUT_SCALE);
    if (++e.writePos == n) e.writePos = 0;
    if ((e.writePos & (e.hopSize - 1)) == 0) {
      AnalyseFrame(e);
      ChooseTarget(e);
      ComputeRatio(e);
    }
    SynthesiseSample(e);
    // Where grains overlap by more than their windows' share (a long grain cut
    // after an unvoiced stretch meets the short ones that follow), their sum is
    // scaled back to a weight of one, so the level cannot swell; then the sum
    // is held within full scale.
    float y = out[e.readPos];
    if (weights[e.readPos] > 1.0f) y /= weights[e.readPos];
    y = y > 1.0f ? 1.0f : (y < -1.0f ? -1.0f : y);
    output[i] = static_cast<std::int16_t>(y * OUTPUT_SCALE);
    out[e.readPos] = 0.0f;
    weights[e.readPos] = 0.0f;
    if (++e.readPos == n) e.readPos = 0;
  }
}

}  // namespace tuning
