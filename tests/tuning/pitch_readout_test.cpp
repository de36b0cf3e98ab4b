// The readout: the rounding of note and cents into the exact texts (the note
// names among them), and PitchReadout over selections of a track in memory (silence,
// short selections repeated, long ones cut to a second, the second channel).
#include "tuning/pitch_readout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/test_signals.h"

namespace {

using tuning::PitchReadout;
using tuning::readoutForSemitones;
using tuning::TrackRegion;
using tuning::TrackSamples;

std::string text(const tuning::ReadoutText& t) {
  return std::string(t.view());
}

// The note of a readout: its text up to the first blank.
std::string noteOf(const std::string& readoutText) {
  return readoutText.substr(0, readoutText.find(' '));
}

// The cents of a voiced readout.
int centsOf(const std::string& readoutText) {
  const auto sign = readoutText.find(' ') + 1;
  const int magnitude = std::atoi(readoutText.c_str() + sign + 1);
  return readoutText[sign] == '-' ? -magnitude : magnitude;
}

std::string readout(std::vector<std::int16_t>& samples, int channels, TrackRegion region) {
  TrackSamples track{samples.data(), channels,
                     static_cast<std::int64_t>(samples.size()) / channels};
  return text(PitchReadout(track, region));
}

TEST(ReadoutText, RoundsToTheNearestNoteAndTruncatesTheCents) {
  // Halves go away from zero; the cents then keep their sign. Notes outside
  // C0..B8 have no name.
  const std::pair<float, const char*> cases[] = {
      {2.5f, "C5 -50 cents "},   {-2.5f, "F#4/Gb4 +50 cents "},
      {0.0f, "A4 +0 cents "},    {0.0149f, "A4 +1 cent "},
      {-0.0149f, "A4 -1 cent "}, {-0.005f, "A4 +0 cents "},
      {0.127f, "A4 +12 cents "}, {-8.01f, "C#4/Db4 -1 cent "},
      {-57.0f, "C0 +0 cents "},  {50.4f, "B8 +40 cents "},
      {-57.6f, " ??? "},         {50.6f, " ??? "},
      {1e30f, " ??? "},
  };
  for (const auto& [semitones, expected] : cases)
    EXPECT_EQ(text(readoutForSemitones(semitones)), expected) << semitones;
}

TEST(PitchReadout, ReadsASteadyToneAtAnyLevelAndNothingInSilence) {
  auto tone = testsignals::sine(440.0, 44100);
  EXPECT_EQ(noteOf(readout(tone, 1, {0, 44100, 1})), "A4");
  auto low = testsignals::sine(110.0, 8000, 3000.0);
  EXPECT_EQ(noteOf(readout(low, 1, {0, 8000, 1})), "A2");
  // The selection is normalised to its peak: a quiet tone and a full-scale
  // one (with a -32768 in it) read alike.
  auto quiet = testsignals::sine(330.0, 16000, 40.0);
  auto loud = testsignals::sine(330.0, 16000, 32767.0);
  loud[100] = -32768;
  const std::string expected = readout(quiet, 1, {0, 16000, 1});
  EXPECT_EQ(noteOf(expected), "E4");
  EXPECT_EQ(readout(loud, 1, {0, 16000, 1}), expected);

  std::vector<std::int16_t> silence(20000, 0);
  EXPECT_EQ(readout(silence, 1, {0, 20000, 1}), " ??? ");
  auto noise = testsignals::whiteNoise(20000, 8000.0);
  EXPECT_EQ(readout(noise, 1, {0, 20000, 1}), " ??? ");
  // A single sample is no selection to read; an empty one neither.
  std::vector<std::int16_t> one(5000, 1000);
  EXPECT_EQ(readout(one, 1, {10, 11, 1}), " ??? ");
  EXPECT_EQ(readout(tone, 1, {500, 500, 1}), " ??? ");
}

TEST(PitchReadout, AShortSelectionIsRepeatedToFillTheFrame) {
  // 300 frames of 441 Hz (exactly three periods) followed by a different tone:
  // the readout must see only the 300 frames, repeated, and read A4 (+4 cents,
  // within what a 1024-point frame resolves).
  auto track = testsignals::sine(441.0, 300);
  const auto after = testsignals::sine(293.0, 6000);
  track.insert(track.end(), after.begin(), after.end());
  EXPECT_EQ(tuning::readoutFrameSize(300), 1024);
  const std::string first = readout(track, 1, {0, 300, 1});
  EXPECT_EQ(noteOf(first), "A4");
  EXPECT_LE(std::abs(centsOf(first) - 4), 6) << first;
}

TEST(PitchReadout, ALongSelectionIsReadOnItsFirstSecond) {
  EXPECT_EQ(tuning::readoutFrameSize(44100), 65536);
  EXPECT_EQ(tuning::readoutFrameSize(44101), 65536);
  EXPECT_EQ(tuning::readoutFrameSize(1025), 2048);
  // One second of E4, then a second of C5: two seconds selected read E4.
  auto track = testsignals::sine(329.63, 44100);
  const auto later = testsignals::sine(523.25, 44100);
  track.insert(track.end(), later.begin(), later.end());
  EXPECT_EQ(noteOf(readout(track, 1, {0, 88200, 1})), "E4");
  EXPECT_EQ(noteOf(readout(track, 1, {44100, 88200, 1})), "C5");
  // A selection running past the end of the track is read up to the end.
  EXPECT_EQ(noteOf(readout(track, 1, {80000, 200000, 1})), "C5");
}

TEST(PitchReadout, TheSecondChannelIsReadFromPaneB) {
  const auto left = testsignals::sine(220.0, 10000);
  const auto right = testsignals::sine(392.0, 10000);
  std::vector<std::int16_t> stereo;
  for (int i = 0; i < 10000; ++i) {
    stereo.push_back(left[i]);
    stereo.push_back(right[i]);
  }
  EXPECT_EQ(noteOf(readout(stereo, 2, {1000, 9000, 1})), "A3");
  EXPECT_EQ(noteOf(readout(stereo, 2, {1000, 9000, 2})), "G4");
  // A mono track has no second channel: the only one is read.
  auto mono = testsignals::sine(220.0, 10000);
  EXPECT_EQ(noteOf(readout(mono, 1, {0, 10000, 2})), "A3");
}

}  // namespace
