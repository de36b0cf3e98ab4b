#include "state/undo_record.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "state/app_state.h"

namespace {

state::UndoRecord makeRecord(std::uint32_t start, std::vector<std::int16_t> saved,
                             std::uint32_t channel, bool stereo) {
  state::UndoRecord r;
  r.samples.reset(new std::int16_t[saved.size()]);
  std::copy(saved.begin(), saved.end(), r.samples.get());
  r.startFrame = start;
  r.frameCount = static_cast<std::uint32_t>(saved.size());
  r.channel = channel;
  r.stereo = stereo;
  return r;
}

}  // namespace

TEST(UndoRecord, StereoRestoresOnlyTheTunedChannel) {
  // frames 0..5, left = 10+f, right = 20+f, then "tuned": both channels changed
  std::vector<std::int16_t> track = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6};
  auto second = makeRecord(2, {30, 40}, 2, true);
  ASSERT_TRUE(second.restoreInto(track.data(), 6));
  EXPECT_EQ(track, (std::vector<std::int16_t>{1, -1, 2, -2, 3, 30, 4, 40, 5, -5, 6, -6}));
  auto first = makeRecord(0, {7, 8, 9}, 1, true);
  ASSERT_TRUE(first.restoreInto(track.data(), 6));
  EXPECT_EQ(track, (std::vector<std::int16_t>{7, -1, 8, -2, 9, 30, 4, 40, 5, -5, 6, -6}));
}

TEST(UndoRecord, MonoRestoresConsecutiveSamplesAndARecordThatDoesNotFitIsRefused) {
  std::vector<std::int16_t> track(8, 0);
  auto r = makeRecord(5, {1, 2, 3}, 0, false);
  ASSERT_TRUE(r.restoreInto(track.data(), 8));
  EXPECT_EQ(track, (std::vector<std::int16_t>{0, 0, 0, 0, 0, 1, 2, 3}));

  track.assign(8, 0);
  for (const auto& bad :
       {makeRecord(6, {1, 2, 3}, 0, false), makeRecord(0, {1, 2}, 3, true), state::UndoRecord{}})
    EXPECT_FALSE(bad.restoreInto(track.data(), 8));
  EXPECT_EQ(track, std::vector<std::int16_t>(8, 0));
}

TEST(AppState, ResetReturnsToTheStartingValues) {
  state::AppState s;
  const auto start = std::make_tuple(s.channels, s.framesPerPeak, s.blockFrames, s.savedScrollPos,
                                     s.deviceIndex, s.mode.load(), s.hasTrack());
  s.samples.reset(new std::int16_t[4]);
  s.frameCount = 4;
  s.channels = 2;
  s.framesPerPeak = 16;
  s.blockFrames = 512;
  s.savedScrollPos = 3;
  s.deviceIndex = 0;
  s.mode = state::TransportMode::Busy;
  s.reset();
  EXPECT_EQ(std::make_tuple(s.channels, s.framesPerPeak, s.blockFrames, s.savedScrollPos,
                            s.deviceIndex, s.mode.load(), s.hasTrack()),
            start);
}
