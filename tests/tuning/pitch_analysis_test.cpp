// AnalyseFrame on known frames: tones it must find, frames it must call
// unvoiced, the lag bounds, and the two mends of the lag pick and refinement
// (what they repair at long frames, and that they change nothing at N = 4096).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "support/test_signals.h"
#include "tuning/analysis_reference.h"
#include "tuning/pitch_readout.h"
#include "tuning/tuning_engine.h"

namespace {

using tuning::EngineParams;
using tuning::TuningEngine;

double semitonesOf(double hz) {
  return 12.0 * std::log2(hz / 440.0);
}

void fillSine(TuningEngine& e, double hz, double phase = 0.0) {
  for (int i = 0; i < e.frameSize; ++i)
    e.inputRing[i] =
        static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * i / 44100.0 + phase));
  e.writePos = 0;
}

bool voiced(const TuningEngine& e) {
  return e.clarity >= e.voicingThreshold;
}

TEST(PitchAnalysis, SteadySinesAreFoundToWithinAFewCents) {
  TuningEngine e(EngineParams{}, 4096);
  ASSERT_TRUE(e.ok);
  // 440 and 220 Hz, then the range, wherever the frame starts in the cycle.
  std::vector<double> tones = {440.0, 220.0};
  for (double hz = 75.0; hz <= 690.0; hz *= 1.09) tones.push_back(hz);
  for (double hz : tones) {
    for (double phase : {0.0, 1.0, 2.0}) {
      fillSine(e, hz, phase);
      AnalyseFrame(e);
      EXPECT_TRUE(voiced(e)) << hz;
      EXPECT_GT(e.clarity, hz < 150.0 ? 0.8f : 0.95f) << hz;
      // The parabola through three power bins is coarser where a bin spans
      // more cents.
      EXPECT_NEAR(e.detectedSemitones, semitonesOf(hz), hz < 150.0 ? 0.1 : 0.03) << hz;
    }
  }
}

TEST(PitchAnalysis, NoiseAndSilenceAreUnvoiced) {
  TuningEngine e(EngineParams{}, 4096);
  ASSERT_TRUE(e.ok);
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
  for (int trial = 0; trial < 5; ++trial) {
    for (int i = 0; i < 4096; ++i) e.inputRing[i] = uniform(rng);
    AnalyseFrame(e);
    EXPECT_FALSE(voiced(e)) << trial;
  }

  fillSine(e, 330.0);
  AnalyseFrame(e);
  ASSERT_TRUE(voiced(e));
  const float before = e.detectedSemitones;
  // All zeros, and a constant offset (no power once DC is dropped), leave the
  // last detected pitch alone.
  for (float level : {0.0f, 0.25f}) {
    for (int i = 0; i < 4096; ++i) e.inputRing[i] = level;
    AnalyseFrame(e);
    EXPECT_EQ(e.clarity, 0.0f) << level;
    EXPECT_EQ(e.detectedSemitones, before) << level;
  }
}

TEST(PitchAnalysis, LagBoundsLimitTheDetectedRange) {
  TuningEngine big(EngineParams{}, 4096);
  TuningEngine small(EngineParams{}, 1024);
  ASSERT_TRUE(big.ok && small.ok);
  EXPECT_EQ(big.minLag, 63);
  EXPECT_EQ(small.maxLag, 511);

  // Periods below minLag (63 samples) are never taken: 900 Hz and 1400 Hz are
  // unvoiced or read from a lag of two periods or more, far below the tone.
  for (double hz : {900.0, 1400.0}) {
    fillSine(big, hz);
    AnalyseFrame(big);
    if (voiced(big)) {
      EXPECT_LT(big.detectedSemitones, semitonesOf(hz) - 6.0) << hz;
    }
  }
  // 60 Hz (lag 735) is beyond maxLag at N = 4096, 80 Hz (lag 551) beyond lag
  // 510 at N = 1024, where 200 Hz is still found.
  for (auto [e, hz] : {std::pair{&big, 60.0}, std::pair{&small, 80.0}}) {
    fillSine(*e, hz);
    AnalyseFrame(*e);
    EXPECT_FALSE(voiced(*e)) << hz;
  }
  fillSine(small, 200.0);
  AnalyseFrame(small);
  EXPECT_TRUE(voiced(small));
  EXPECT_NEAR(small.detectedSemitones, semitonesOf(200.0), 0.2);
}

// Whether `frames` frames of a steady sine, laid into the ring as the readout
// lays them (peak-normalised, repeated to fill the frame), read within half a
// semitone of the tone before the mends (the reference pick on the same
// arrays) and after them.
struct SweepPoint {
  bool beforeRight = false;
  bool afterRight = false;
};

SweepPoint sweepPoint(TuningEngine& e, double hz, int frames, double phase) {
  const auto samples = testsignals::sine(hz, frames, 16000.0, phase);
  const int count = std::min(frames, tuning::READOUT_MAX_FRAMES);
  int peak = 0;
  for (int i = 0; i < count; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
  for (int i = 0; i < e.frameSize; ++i)
    e.inputRing[i] = static_cast<float>(static_cast<double>(samples[i % count]) / peak);
  e.writePos = 0;
  AnalyseFrame(e);
  const double truth = semitonesOf(hz);
  const auto before = reference::originalDecision(e);
  return {before.voiced && std::fabs(semitonesOf(before.hz) - truth) < 0.5,
          voiced(e) && std::fabs(e.detectedSemitones - truth) < 0.5};
}

TEST(PitchAnalysisMends, SteadySinesReadTheRightNoteAtEverySelectionLength) {
  int rightBefore = 0, rightAfter = 0;
  for (int frames : {2000, 4096, 16000, 44100}) {
    TuningEngine e(EngineParams{}, tuning::readoutFrameSize(frames));
    ASSERT_TRUE(e.ok);
    int lengthBefore = 0, lengthAfter = 0, lengthTotal = 0;
    for (double hz = 72.0; hz <= 690.0; hz += 9.0) {
      for (double phase : {0.0, 1.3}) {
        const SweepPoint p = sweepPoint(e, hz, frames, phase);
        ++lengthTotal;
        lengthBefore += p.beforeRight;
        lengthAfter += p.afterRight;
        // Below two periods in the analysed middle half of the frame (N/2
        // points) the lag peak itself is pulled short by the window: the mends
        // do not reach that.
        if (e.frameSize / 2 >= 2.0 * 44100.0 / hz) {
          EXPECT_TRUE(p.afterRight) << hz << " Hz, " << frames << " frames, " << phase;
        }
      }
    }
    std::printf("selection %5d frames: %3d of %3d read right before the mends, %3d after\n", frames,
                lengthBefore, lengthTotal, lengthAfter);
    rightBefore += lengthBefore;
    rightAfter += lengthAfter;
  }
  EXPECT_LT(rightBefore, rightAfter);
  // The tones the fault was first seen on, one second selected.
  TuningEngine e(EngineParams{}, 65536);
  ASSERT_TRUE(e.ok);
  for (double hz : {452.0, 600.0, 655.0, 360.0})
    for (double phase : {0.0, 0.7, 1.9})
      EXPECT_TRUE(sweepPoint(e, hz, 44100, phase).afterRight) << hz << " Hz, phase " << phase;
}

TEST(PitchAnalysisMends, ChangeNothingAtTheTuningFrameSize) {
  TuningEngine e(EngineParams{}, 4096);
  ASSERT_TRUE(e.ok);
  auto compare = [&](const char* what, double where) {
    const float previous = e.detectedSemitones;
    AnalyseFrame(e);
    const auto original = reference::originalDecision(e);
    const bool same =
        original.voiced == voiced(e) &&
        (!original.voiced || std::fabs(semitonesOf(original.hz) - e.detectedSemitones) < 1e-4) &&
        (original.voiced || e.detectedSemitones == previous);
    EXPECT_TRUE(same) << what << " " << where << ": before " << original.voiced << " "
                      << semitonesOf(original.hz) << ", after " << voiced(e) << " "
                      << e.detectedSemitones;
  };
  for (double hz = 72.0; hz <= 690.0; hz += 1.7) {
    fillSine(e, hz, hz);
    compare("sine", hz);
  }
  // Every hop of a sung line, as the tuning run analyses it.
  const auto voice = testsignals::voice({{{57, 35, 0.5}, {60, -28, 0.5}, {64, 40, 0.5}},
                                         {{67, -38, 0.5}, {62, 22, 0.5}, {55, -15, 0.6}}});
  for (std::size_t end = 4096; end <= voice.samples.size(); end += 1024) {
    for (int i = 0; i < 4096; ++i)
      e.inputRing[i] = static_cast<float>(voice.samples[end - 4096 + i] / 32768.0);
    e.writePos = 0;
    compare("voice frame ending at", static_cast<double>(end));
  }
}

TEST(TuningEngineConstruction, RefusesSizesAndRatesItCannotAnalyse) {
  EXPECT_FALSE(TuningEngine(EngineParams{}, 1000).ok);
  EXPECT_FALSE(TuningEngine(EngineParams{}, 128).ok);
  EngineParams noRate;
  noRate.sampleRate = 0;
  EXPECT_FALSE(TuningEngine(noRate, 4096).ok);
  EXPECT_TRUE(TuningEngine(EngineParams{}, 4096).ok);
}

}  // namespace
