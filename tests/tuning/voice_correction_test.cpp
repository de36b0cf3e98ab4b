// A sung line, off pitch with vibrato, glides and breaths, tuned to C major
// with Grace 0: measured frame by frame from outside, most frames must land
// near a scale note, and neither the voice nor the breaths change level.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/test_signals.h"
#include "tuning/pitch_probe.h"
#include "tuning/tuning_engine.h"

namespace {

constexpr int N = 4096;
constexpr int HOP = 1024;
constexpr int FRAME = 2048;
// Output sample t + LATENCY carries input sample t at ratio 1.
constexpr std::int64_t LATENCY = N - 1;

// C major as semitones above A: A, B, C, D, E, F, G.
constexpr int C_MAJOR[] = {0, 2, 3, 5, 7, 8, 10};

double centsFromScale(double hz) {
  const double semitones = 12.0 * std::log2(hz / 440.0);
  double best = 1e9;
  for (int octave = -3; octave <= 2; ++octave)
    for (int note : C_MAJOR) best = std::min(best, std::fabs(semitones - (note + 12.0 * octave)));
  return best * 100.0;
}

testsignals::VoiceSignal sungLine() {
  return testsignals::voice({
      {{60, 35, 0.6}, {62, -28, 0.55}, {64, 40, 0.6}, {65, -32, 0.55}, {67, 22, 0.8}},
      {{69, -38, 0.6}, {67, 30, 0.55}, {64, -25, 0.6}, {62, 38, 0.55}, {60, -35, 0.8}},
      {{57, 27, 0.6}, {59, -40, 0.55}, {60, 33, 0.6}, {55, -30, 0.55}, {57, 36, 0.8}},
  });
}

struct Shares {
  int voiced = 0;
  int within20 = 0;
  int within10 = 0;
  double share20() const { return static_cast<double>(within20) / voiced; }
  double share10() const { return static_cast<double>(within10) / voiced; }
};

Shares measure(const std::vector<std::int16_t>& audio, const testsignals::VoiceSignal& line,
               std::int64_t offset) {
  Shares s;
  for (const auto& note : line.notes) {
    for (std::int64_t at = note.steady.begin; at + FRAME <= note.steady.end; at += FRAME / 2) {
      // The line stays between G3 and A4: look for periods of 150 to 800 Hz.
      const auto hz = probe::pitchHz(audio.data() + at + offset, FRAME, 150.0, 800.0);
      if (!hz) continue;
      ++s.voiced;
      const double off = centsFromScale(*hz);
      s.within20 += off <= 20.0;
      s.within10 += off <= 10.0;
    }
  }
  return s;
}

double level(const std::vector<std::int16_t>& audio, const std::vector<testsignals::Span>& spans,
             std::int64_t offset) {
  double sum = 0.0;
  std::int64_t count = 0;
  for (const auto& span : spans) {
    for (std::int64_t i = span.begin + FRAME; i < span.end - FRAME; ++i) {
      sum += static_cast<double>(audio[i + offset]) * audio[i + offset];
      ++count;
    }
  }
  return 10.0 * std::log10(sum / count / (32768.0 * 32768.0));
}

TEST(VoiceCorrection, ASungLineTunedToCMajorLandsOnTheScale) {
  const auto line = sungLine();
  std::vector<std::int16_t> input = line.samples;
  input.resize((input.size() + N + HOP - 1) / HOP * HOP, 0);
  tuning::EngineParams params;
  for (int note : C_MAJOR) params.noteEnabled[note] = true;
  params.grace = 0.0f;
  tuning::TuningEngine engine(params, N);
  ASSERT_TRUE(engine.ok);
  std::vector<std::int16_t> output(input.size());
  for (std::size_t at = 0; at < input.size(); at += HOP)
    ProcessBlock(engine, input.data() + at, output.data() + at);

  const Shares before = measure(input, line, 0);
  const Shares after = measure(output, line, LATENCY);
  std::printf(
      "voiced frames within 20 / 10 cents of C major: %.0f%% / %.0f%% before (%d frames), "
      "%.0f%% / %.0f%% after (%d)\n",
      100 * before.share20(), 100 * before.share10(), before.voiced, 100 * after.share20(),
      100 * after.share10(), after.voiced);
  ASSERT_GT(before.voiced, 50);
  EXPECT_LT(before.share20(), 0.5);
  EXPECT_GE(after.voiced, before.voiced * 9 / 10);
  EXPECT_GE(after.share20(), 0.85);
  EXPECT_GE(after.share10(), 0.65);

  std::vector<testsignals::Span> sung;
  for (const auto& note : line.notes) sung.push_back(note.steady);
  const double voiceChange = level(output, sung, LATENCY) - level(input, sung, 0);
  const double breathChange = level(output, line.breaths, LATENCY) - level(input, line.breaths, 0);
  std::printf("level change: voice %+.2f dB, breaths %+.2f dB\n", voiceChange, breathChange);
  EXPECT_LT(std::fabs(voiceChange), 1.5);
  EXPECT_LT(std::fabs(breathChange), 1.5);
}

}  // namespace
