// The pitch curve in the window: the worker analyses the track only while it
// is free, a tuning keeps its region's old curve beside the new one, and undo
// brings the old curve back.
#include <gtest/gtest.h>

#include <vector>

#include "app/app_constants.h"
#include "app/app_harness.h"
#include "app/pitch_curve_worker.h"
#include "view/column_mapping.h"
#include "view/pitch_overlay.h"

namespace {

using state::TransportMode;

constexpr double SHARP_SEMITONES = 12.0 * 0.0327532;  // 450 Hz over A4: 39 cents

std::vector<state::PitchPoint> curveOf(const state::AppState& app, int c) {
  const std::lock_guard<std::mutex> hold(app.pitch.lock);
  return app.pitch.current[c];
}

int pixelsOf(const view::Image& image, const view::Rect& pane, std::uint32_t colour) {
  int n = 0;
  for (int y = pane.top; y < pane.bottom; ++y)
    for (int x = pane.left; x < pane.right; ++x) n += image.pixel(x, y) == colour ? 1 : 0;
  return n;
}

// Hop k of the curve is centred on frame 1024 k.
void expectPitchAt(const std::vector<state::PitchPoint>& curve, std::uint32_t firstHop,
                   std::uint32_t endHop, double semitones) {
  for (std::uint32_t k = firstHop; k < endHop; ++k) {
    ASSERT_TRUE(curve[k].voiced) << "hop " << k;
    EXPECT_NEAR(curve[k].semitones, semitones, 0.05) << "hop " << k;
  }
}

TEST(PitchCurveWindow, AnalysedWhenFreeKeptOverATuningAndRestoredByUndo) {
  apptest::Harness h;
  constexpr std::uint32_t FRAMES = 120000;
  h.loadTones(FRAMES);
  const view::Rect paneB = h.view().geometry.paneB;

  // Hidden, nothing is analysed; shown while the transport plays, it waits.
  EXPECT_FALSE(app::requestPitchAnalysis(h.ctx()));
  h.app.mode = TransportMode::Playing;
  h.window.onChar('p');
  EXPECT_TRUE(h.shell.pitchCurveChecked);
  EXPECT_EQ(h.app.mode, TransportMode::Playing);
  EXPECT_EQ(h.ctx().workersRunning.load(), 0);
  h.app.mode = TransportMode::Idle;
  h.window.onCommand(app::CMD_WORKER_ENDED);
  ASSERT_TRUE(h.finishWorkers());
  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  expectPitchAt(curveOf(h.app, 0), 4, 110, 0.0);
  const std::vector<state::PitchPoint> untuned = curveOf(h.app, 1);
  expectPitchAt(untuned, 4, 110, SHARP_SEMITONES);
  EXPECT_GT(pixelsOf(h.view().image, paneB, view::COLOUR_PITCH), 0);
  EXPECT_EQ(pixelsOf(h.view().image, paneB, view::COLOUR_PITCH_BEFORE), 0);

  // Tune the second channel's middle to A: its old curve stays, faint.
  h.app.selActive = true;
  h.app.selStart = 30000;
  h.app.selEnd = 90000;
  app::TuningChoice onlyA;
  onlyA.noteEnabled[0] = true;
  onlyA.grace = 0;
  h.shell.tuningAnswers.push_back(onlyA);
  const int x = view::frameToColumn(h.app, h.paneA(), 60000);
  h.window.onRightButtonDown(x, paneB.top + paneB.height() / 2);
  ASSERT_TRUE(h.finishWorkers());
  ASSERT_TRUE(h.app.undo.holdsSamples());
  expectPitchAt(curveOf(h.app, 1), 40, 80, 0.0);
  {
    const std::lock_guard<std::mutex> hold(h.app.pitch.lock);
    const state::PitchSegment& before = h.app.pitch.before[1];
    ASSERT_FALSE(before.empty());
    EXPECT_TRUE(h.app.pitch.before[0].empty());
    EXPECT_TRUE(h.app.pitch.allowed[0]);
    for (std::size_t i = 0; i < before.points.size(); ++i)
      EXPECT_EQ(before.points[i].semitones, untuned[before.firstHop + i].semitones);
  }
  EXPECT_GT(pixelsOf(h.view().image, paneB, view::COLOUR_PITCH_BEFORE), 0);

  // Undo: the old curve is back as it was, and nothing is left to analyse.
  h.window.onChar('u');
  const std::vector<state::PitchPoint> restored = curveOf(h.app, 1);
  ASSERT_EQ(restored.size(), untuned.size());
  for (std::size_t k = 0; k < untuned.size(); ++k)
    EXPECT_EQ(restored[k].semitones, untuned[k].semitones) << "hop " << k;
  EXPECT_FALSE(app::requestPitchAnalysis(h.ctx()));
  EXPECT_EQ(pixelsOf(h.view().image, paneB, view::COLOUR_PITCH_BEFORE), 0);
  EXPECT_GT(pixelsOf(h.view().image, paneB, view::COLOUR_PITCH), 0);

  // Hidden again: the panes show the waveform alone.
  h.window.onCommand(app::CMD_PITCH_CURVE);
  EXPECT_FALSE(h.shell.pitchCurveChecked);
  EXPECT_EQ(pixelsOf(h.view().image, paneB, view::COLOUR_PITCH), 0);
}

}  // namespace
