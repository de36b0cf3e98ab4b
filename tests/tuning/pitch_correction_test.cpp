// The correction heard from outside: tones run through ProcessBlock and their
// pitch and level measured on the settled output by an estimator of our own;
// the target choice on ties, the shorter way round the octave and the memory
// across pauses; the Grace mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/test_signals.h"
#include "tuning/pitch_probe.h"
#include "tuning/tones.h"
#include "tuning/tuning_engine.h"

namespace {

using tuning::EngineParams;
using tuning::TuningEngine;

constexpr int N = 4096;
constexpr int HOP = 1024;

EngineParams paramsFor(std::initializer_list<int> notes, int shift = 0, float grace = 0.0f) {
  EngineParams p;
  for (int n : notes) p.noteEnabled[n] = true;
  p.pitchShift = shift;
  p.grace = grace;
  return p;
}

// Runs `input` through a fresh engine, followed by N zeros, whole blocks only.
std::vector<std::int16_t> run(const EngineParams& params, std::vector<std::int16_t> input) {
  input.resize((input.size() + N + HOP - 1) / HOP * HOP, 0);
  TuningEngine e(params, N);
  EXPECT_TRUE(e.ok);
  std::vector<std::int16_t> output(input.size());
  for (std::size_t at = 0; at < input.size(); at += HOP)
    ProcessBlock(e, input.data() + at, output.data() + at);
  return output;
}

constexpr std::int64_t TONE = 44100;  // one second

TEST(PitchCorrection, OffPitchTonesComeOutOnTheNoteAtTheSameLevel) {
  struct Case {
    tones::Shape shape;
    double inHz;
    EngineParams params;
    double outHz;
    const char* what;
  };
  using tones::Shape;
  const Case cases[] = {
      {Shape::Sine, 452.0, paramsFor({}), 440.0, "452 Hz, no note: nearest semitone"},
      {Shape::Sine, 450.0, paramsFor({0}), 440.0, "450 Hz, only A"},
      {Shape::Sine, 440.0, paramsFor({0}, 3), 523.2511, "440 Hz, only A, shift +3"},
      {Shape::Sine, 415.0, paramsFor({0, 3, 7}), 440.0, "Ab4 with A, C, E allowed goes to A"},
      {Shape::Sine, 270.0, paramsFor({3}), 261.6256, "270 Hz, only C: C4"},
      // The level must not follow the ratio, and a -3 dBFS input must not
      // clip an octave down, where grains pile up the most.
      {Shape::Sine, 440.0, paramsFor({0}, -12), 220.0, "sine, shift -12"},
      {Shape::Sine, 440.0, paramsFor({0}, -7), 293.6648, "sine, shift -7"},
      {Shape::Sine, 440.0, paramsFor({0}, 0), 440.0, "sine, shift 0"},
      {Shape::Sine, 440.0, paramsFor({0}, 7), 659.2551, "sine, shift +7"},
      {Shape::Sine, 330.0, paramsFor({7}, 12), 659.2551, "sine, shift +12"},
      {Shape::BandLimitedSawtooth, 220.0, paramsFor({0}, -12), 110.0, "sawtooth, shift -12"},
      {Shape::BandLimitedSawtooth, 220.0, paramsFor({0}, -7), 146.8324, "sawtooth, shift -7"},
      {Shape::BandLimitedSawtooth, 220.0, paramsFor({0}, 7), 329.6276, "sawtooth, shift +7"},
      {Shape::BandLimitedSawtooth, 220.0, paramsFor({0}, 12), 440.0, "sawtooth, shift +12"},
  };
  constexpr double MINUS_3_DBFS = 23197.0;
  for (const Case& c : cases) {
    const auto in = tones::tone(c.shape, c.inHz, TONE, MINUS_3_DBFS);
    const auto out = run(c.params, in);
    // From 0.4 s (latency and settling) to the end of the tone.
    const std::int64_t begin = static_cast<std::int64_t>(0.4 * 44100), end = TONE + N - HOP;
    const auto hz = probe::medianPitchHz(out, begin, end);
    ASSERT_TRUE(hz.has_value()) << c.what;
    const double levelChange = probe::rmsLevelDb(out, begin, end) - probe::rmsLevelDb(in, 0, TONE);
    const auto loudest = *std::max_element(
        out.begin(), out.end(), [](auto a, auto b) { return std::abs(int{a}) < std::abs(int{b}); });
    const double error = probe::cents(c.outHz, *hz);
    std::printf("%-40s -> %8.3f Hz, %+6.2f cents, %+5.2f dB, peak %d\n", c.what, *hz, error,
                levelChange, std::abs(int{loudest}));
    EXPECT_LT(std::fabs(error), 5.0) << c.what;
    EXPECT_LT(std::fabs(levelChange), 1.0) << c.what;
    EXPECT_LT(std::abs(int{loudest}), 32767) << c.what;
  }
}

TEST(PitchCorrection, OutputIsHeldAtFullScale) {
  // A full-scale square wave overshoots where the grains' interpolation meets
  // its edges: the output must be held at +-32767, never wrap or reach -32768.
  const auto out =
      run(paramsFor({}, -12), tones::tone(tones::Shape::Square, 330.0, TONE / 2, 32767.0));
  const auto [lo, hi] = std::minmax_element(out.begin(), out.end());
  EXPECT_EQ(*hi, 32767);
  EXPECT_EQ(*lo, -32767);
}

// Sets up an engine as if its last analysis found `semitones`, voiced or not.
void analysed(TuningEngine& e, float semitones, bool voiced = true) {
  e.detectedSemitones = semitones;
  e.clarity = voiced ? 0.95f : 0.1f;
  e.periodSeconds = static_cast<float>(1.0 / (440.0 * std::pow(2.0, semitones / 12.0)));
}

TEST(ChooseTarget, TiesGoToTheHigherClassAndMovesGoTheShorterWayRound) {
  struct Case {
    EngineParams params;
    float from;         // the note held before, or NAN for a fresh engine
    float sung;         // semitones above A
    float noteState;    // after one hop at Grace 0
    double correction;  // semitones the ratio applies, NAN when not checked
    const char* what;
  };
  const Case cases[] = {
      {paramsFor({}), NAN, 0.5f, 1.0f, 0.5, "halfway between A and Bb: Bb"},
      {paramsFor({}), NAN, -0.5f, 11.0f, -0.5, "halfway between Ab and A: Ab, half a step down"},
      // An allowed class six semitones away scores 0, as does a disallowed
      // class at no distance: the higher index (Eb, 6) wins over A (0).
      {paramsFor({6}), NAN, 0.0f, 6.0f, NAN, "Eb allowed, A sung"},
      {paramsFor({3}), NAN, 8.9f, 3.0f, -5.9, "an allowed class beats a nearer disallowed one"},
      {paramsFor({}), 10.0f, 11.8f, 12.0f, 0.2, "from G up to A, not down"},
  };
  for (const Case& c : cases) {
    TuningEngine e(c.params, N);
    if (!std::isnan(c.from)) {
      analysed(e, c.from);
      ChooseTarget(e);
    }
    analysed(e, c.sung);
    ChooseTarget(e);
    EXPECT_EQ(e.noteState, c.noteState) << c.what;
    ComputeRatio(e);
    if (!std::isnan(c.correction)) {
      EXPECT_NEAR(e.pitchRatio, std::pow(2.0, c.correction / 12.0), 1e-5) << c.what;
    }
  }
}

TEST(ChooseTarget, PausesFadeTheMemoryOfTheLastNote) {
  TuningEngine e(paramsFor({}, 0, 250.0f), N);
  const float glide = e.glide;
  analysed(e, 0.0f);
  ChooseTarget(e);
  ASSERT_EQ(e.noteState, 0.0f);
  for (int hop = 0; hop < 3; ++hop) {
    analysed(e, 0.0f, false);
    ChooseTarget(e);
  }
  const double kept = std::pow(0.5, 3 * 1024 * 1000.0 / 44100.0 / 100.0);
  EXPECT_NEAR(e.memoryWeight, kept, 1e-5);
  analysed(e, 5.0f);
  ChooseTarget(e);
  // Voicing resumes partway between the old note and the new target, then
  // glides on toward the target.
  const double resumed = (1.0 - kept) * 5.0;
  EXPECT_NEAR(e.noteState, resumed + glide * (5.0 - resumed), 1e-4);
  EXPECT_EQ(e.memoryWeight, 1.0f);
  // An unvoiced frame transposes by the shift alone and keeps the last period.
  const float step = e.periodStep;
  analysed(e, 5.0f, false);
  ComputeRatio(e);
  EXPECT_EQ(e.pitchRatio, 1.0f);
  EXPECT_EQ(e.periodStep, step);
}

TEST(GraceMapping, GraceIsTheTimeToCorrectAllButOneTwentyFourth) {
  // A jump of three semitones played out on the engine for about Grace ms.
  const double hopMs = HOP * 1000.0 / 44100.0;
  for (float grace : {0.0f, 10.0f, 100.0f, 250.0f}) {
    TuningEngine e(paramsFor({}, 0, grace), N);
    analysed(e, 0.0f);
    ChooseTarget(e);
    const int hops = std::max(1, static_cast<int>(std::lround(grace / hopMs)));
    for (int hop = 0; hop < hops; ++hop) {
      analysed(e, 3.0f);
      ChooseTarget(e);
    }
    const double left = (3.0 - e.noteState) / 3.0;
    const double expected = grace == 0.0f ? 0.0 : std::pow(1.0 / 24.0, hops * hopMs / grace);
    EXPECT_NEAR(left, expected, 1e-4) << grace;
  }
}

}  // namespace
