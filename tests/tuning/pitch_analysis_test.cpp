// AnalyseFrame and the readout on known tones: sines found to a few cents,
// bright and weak-fundamental tones read in the right octave across the whole
// range at the tuning frame and at the largest and smallest readout frames,
// tones outside the range not read as themselves, noise and silence unvoiced.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "tuning/note_names.h"
#include "tuning/pitch_readout.h"
#include "tuning/tones.h"
#include "tuning/tuning_engine.h"

namespace {

using tuning::EngineParams;
using tuning::TuningEngine;

double semitonesOf(double hz) {
  return 12.0 * std::log2(hz / 440.0);
}

// Lays `samples` into the engine's ring, oldest first, scaled to about +-1.
void fill(TuningEngine& e, const std::vector<std::int16_t>& samples, std::size_t from = 0) {
  for (int i = 0; i < e.frameSize; ++i) e.inputRing[i] = samples[from + i] / 32768.0f;
  e.writePos = 0;
}

bool voiced(const TuningEngine& e) {
  return e.clarity >= e.voicingThreshold;
}

// The pitch a readout text stands for, in semitones above A4 (the cents are
// truncated, so it is within a cent), or NAN for " ??? ".
double readSemitones(const std::string& text) {
  const std::string name = text.substr(0, text.find(' '));
  for (int i = 0; i < tuning::NOTE_NAME_COUNT; ++i) {
    if (tuning::noteName(i) == name) {
      const std::size_t sign = name.size() + 1;
      const int cents = std::atoi(text.c_str() + sign + 1);
      return i - tuning::NOTE_NAME_A4 + (text[sign] == '-' ? -cents : cents) / 100.0;
    }
  }
  return NAN;
}

std::string readout(std::vector<std::int16_t>& samples, std::int64_t frames) {
  const tuning::TrackSamples track{samples.data(), 1, static_cast<std::int64_t>(samples.size())};
  return std::string(tuning::PitchReadout(track, {0, frames, 1}).view());
}

// Every quarter tone from just above 70 Hz (the longest lag) to 700 Hz (the
// shortest), and a tone just inside each end, in every shape: read from a one-second selection as
// the readout reads it (a 65536-point frame), and analysed at the tuning frame of 4096. Octave and
// twelfth errors are 12 and 19 semitones; a right reading is within a third of a semitone.
TEST(PitchAnalysis, EveryShapeIsReadInTheRightOctaveAcrossTheRange) {
  std::vector<double> range = {70.4, 699.5};
  for (double hz = 70.0 * std::pow(2.0, 1.0 / 24.0); hz <= 700.0; hz *= std::pow(2.0, 1.0 / 24.0))
    range.push_back(hz);
  TuningEngine e(EngineParams{}, 4096);
  ASSERT_TRUE(e.ok);
  for (tones::Shape shape : tones::ALL_SHAPES) {
    int readRight = 0, analysedRight = 0, total = 0;
    for (double hz : range) {
      const double truth = semitonesOf(hz);
      auto samples = tones::tone(shape, hz, 44100, 16000.0, 0.01 * total);
      const std::string text = readout(samples, 44100);
      const bool read = std::fabs(readSemitones(text) - truth) < 0.3;
      EXPECT_TRUE(read) << tones::nameOf(shape) << " " << hz << " Hz reads " << text;
      fill(e, samples, 20000);
      AnalyseFrame(e);
      const bool analysed = voiced(e) && std::fabs(e.detectedSemitones - truth) < 0.3;
      EXPECT_TRUE(analysed) << tones::nameOf(shape) << " " << hz << " Hz analysed at "
                            << e.detectedSemitones - truth << " semitones off";
      if (shape == tones::Shape::Sine) {
        // A sine is found to a few cents; the parabola through three power
        // bins is coarser where a bin spans more cents.
        EXPECT_GT(e.clarity, hz < 150.0 ? 0.8f : 0.95f) << hz;
        EXPECT_NEAR(e.detectedSemitones, truth, hz < 150.0 ? 0.1 : 0.03) << hz;
      }
      readRight += read;
      analysedRight += analysed;
      ++total;
    }
    std::printf("%-22s read right %2d of %d at one second, %2d of %d at N = 4096\n",
                tones::nameOf(shape), readRight, total, analysedRight, total);
  }
}

TEST(PitchAnalysis, TheSmallestReadoutFrameReadsTheUpperRange) {
  // A selection under 1024 frames is analysed in a 1024-point frame, whose
  // weighted middle half holds 512 points: enough from about 190 Hz up, while
  // a tone too low for it reads nothing rather than a wrong note.
  for (double hz : {200.0, 330.0, 699.0}) {
    for (tones::Shape shape : {tones::Shape::Sine, tones::Shape::BandLimitedSawtooth}) {
      auto samples = tones::tone(shape, hz, 1000);
      const std::string text = readout(samples, 1000);
      EXPECT_NEAR(readSemitones(text), semitonesOf(hz), 0.3)
          << tones::nameOf(shape) << " " << hz << " Hz reads " << text;
    }
  }
  auto low = tones::tone(tones::Shape::Sine, 100.0, 1000);
  EXPECT_EQ(readout(low, 1000), " ??? ");
}

TEST(PitchAnalysis, TonesOutsideTheRangeAreNotReadAsThemselves) {
  TuningEngine e(EngineParams{}, 4096);
  ASSERT_TRUE(e.ok);
  // Above 700 Hz the period is shorter than any lag searched: such tones are
  // unvoiced or read from a lag of two periods or more, far below the tone.
  for (double hz : {720.0, 900.0, 1400.0}) {
    fill(e, tones::tone(tones::Shape::Sine, hz, 4096));
    AnalyseFrame(e);
    if (voiced(e)) {
      EXPECT_LT(e.detectedSemitones, semitonesOf(hz) - 6.0) << hz;
    }
  }
  // Below 70 Hz the period is longer than any lag searched.
  for (double hz : {60.0, 67.0}) {
    fill(e, tones::tone(tones::Shape::Sine, hz, 4096));
    AnalyseFrame(e);
    EXPECT_FALSE(voiced(e)) << hz;
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

  fill(e, tones::tone(tones::Shape::Sine, 330.0, 4096));
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

TEST(TuningEngineConstruction, RefusesSizesAndRatesItCannotAnalyse) {
  EXPECT_FALSE(TuningEngine(EngineParams{}, 1000).ok);
  EXPECT_FALSE(TuningEngine(EngineParams{}, 128).ok);
  EngineParams noRate;
  noRate.sampleRate = 0;
  EXPECT_FALSE(TuningEngine(noRate, 4096).ok);
  EXPECT_TRUE(TuningEngine(EngineParams{}, 4096).ok);
}

}  // namespace
