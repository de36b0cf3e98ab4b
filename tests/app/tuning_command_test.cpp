// The right click on a selection: the hit test, the readout drawn on the
// window, the Tuning dialog's answer tuning one channel in place, and undo,
// through the main window over the headless Shell.
#include <gtest/gtest.h>

#include <vector>

#include "app/app_constants.h"
#include "app/app_harness.h"
#include "app/readout_display.h"
#include "app/tuning_command.h"

namespace {

using state::TransportMode;

std::vector<std::int16_t> channel(const apptest::Harness& h, int c) {
  std::vector<std::int16_t> out(h.app.frameCount);
  for (std::uint32_t f = 0; f < h.app.frameCount; ++f) out[f] = h.app.samples[2 * f + c];
  return out;
}

app::TuningChoice onlyA() {
  app::TuningChoice choice;
  choice.noteEnabled[0] = true;
  choice.grace = 0;
  return choice;
}

TEST(TuneHitTest, PanesSelectionAndViewDecideTheChannel) {
  apptest::Harness h;
  h.loadTones(100000);
  const view::Rect a = h.paneA();
  const view::Rect b = h.view().geometry.paneB;
  struct Case {
    const char* what;
    int x, y;
    bool stereo;
    bool hit;
    std::uint32_t channel;
  };
  const Case cases[] = {
      {"pane A", a.left + 10, a.top + 1, true, true, 1},
      {"pane B", a.left + 10, b.bottom - 2, true, true, 2},
      {"pane A's top row", a.left + 10, a.top, true, false, 0},
      {"between the panes", a.left + 10, a.bottom, true, false, 0},
      {"pane B of a mono track", a.left + 10, b.top + 5, false, false, 0},
      {"left of the panes", a.left - 1, a.top + 5, true, false, 0},
      {"pane A's right edge", a.right, a.top + 5, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h.app.stereo = c.stereo;
    h.select(20000, 40000);
    app::TuneAnchor anchor;
    EXPECT_EQ(app::TuneHitTest(h.ctx(), c.x, c.y, anchor), c.hit);
    EXPECT_EQ(h.app.tuneChannel, c.channel);
    if (!c.hit) continue;
    EXPECT_EQ(anchor.x, h.view().selStartCol + (h.view().selEndCol - h.view().selStartCol) / 2);
    EXPECT_EQ(anchor.y, (c.channel == 1 ? a.top : b.top) + a.height() / 2);
  }
  h.app.stereo = true;
  // Without a selection, or with it scrolled out of view, nothing is hit.
  app::TuneAnchor anchor;
  h.app.selActive = false;
  EXPECT_FALSE(app::TuneHitTest(h.ctx(), a.left + 10, a.top + 5, anchor));
  h.select(90000, 95000);
  h.app.framesPerPixel = 1;
  h.app.scrollPos = 0;
  EXPECT_FALSE(app::TuneHitTest(h.ctx(), a.left + 10, a.top + 5, anchor));
  EXPECT_EQ(h.app.tuneChannel, 1u);
}

TEST(DrawReadout, TheAreaIsCentredEvenAndKeptInsidePaneA) {
  const view::Rect pane{100, 50, 900, 250};
  struct Case {
    app::Size text;
    int x, y;
    view::Rect area;
  };
  const Case cases[] = {
      {{60, 15}, 500, 150, {470, 142, 530, 158}},  // the height raised to 16
      {{61, 16}, 500, 150, {469, 142, 531, 158}},  // the width raised to 62
      {{60, 16}, 110, 150, {100, 142, 160, 158}},  // kept right of the left edge
      {{60, 16}, 895, 150, {839, 142, 899, 158}},  // and left of the right edge
  };
  for (const Case& c : cases) EXPECT_EQ(app::readoutArea(c.text, c.x, c.y, pane), c.area);
}

TEST(TuningCommand, PaneBTunesOnlyTheSecondChannelAndUndoRestoresIt) {
  apptest::Harness h;
  h.loadTones(88200);
  h.select(22050, 66150);
  const std::vector<std::int16_t> left = channel(h, 0);
  const std::vector<std::int16_t> right = channel(h, 1);
  const view::Rect b = h.view().geometry.paneB;
  h.shell.tuningAnswers.push_back(onlyA());
  h.shell.clearRecords();
  h.window.onRightButtonDown(h.paneA().left + h.paneWidth() / 2, b.top + 10);

  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  // The readout of the second channel, yellow on dark, in pane B.
  ASSERT_EQ(h.shell.texts.size(), 1u);
  EXPECT_EQ(h.shell.texts[0].text.substr(0, 5), "A4 +3") << h.shell.texts[0].text;
  EXPECT_EQ(h.shell.texts[0].textColour, 0xF0F000u);
  EXPECT_EQ(h.shell.texts[0].backgroundColour, 0x404000u);
  EXPECT_GT(h.shell.texts[0].area.top, b.top);
  EXPECT_TRUE(h.app.readout[1].shown);
  EXPECT_EQ(h.app.readout[1].rect, h.shell.texts[0].area);

  EXPECT_EQ(channel(h, 0), left) << "the first channel is untouched";
  const std::vector<std::int16_t> tuned = channel(h, 1);
  EXPECT_TRUE(std::equal(right.begin(), right.begin() + 22050, tuned.begin()));
  EXPECT_TRUE(std::equal(right.begin() + 66150, right.end(), tuned.begin() + 66150));
  EXPECT_NE(tuned, right);
  EXPECT_TRUE(h.shell.undoEnabled);
  EXPECT_EQ(h.app.undo.channel, 2u);
  // The repaint after OK covers both panes, which removes the readout.
  for (const view::Rect& pane : {h.paneA(), b})
    EXPECT_NE(std::find(h.shell.invalidated.begin(), h.shell.invalidated.end(), pane),
              h.shell.invalidated.end());

  h.shell.clearRecords();
  h.window.onChar('u');
  EXPECT_EQ(channel(h, 1), right);
  EXPECT_EQ(h.shell.invalidated.size(), 2u) << "both panes redrawn";
  EXPECT_EQ(channel(h, 0), left);
  EXPECT_FALSE(h.shell.undoEnabled);
  EXPECT_FALSE(h.app.undo.holdsSamples());
  EXPECT_TRUE(h.shell.violations.empty()) << h.shell.violations.front();
}

TEST(TuningCommand, EachAnswerOfTheDialogDoesWhatItSays) {
  apptest::Harness h;
  h.loadTones(88200);
  h.select(10000, 30000);
  const int x = h.paneA().left + 20;  // the readout lands in the left half
  const int y = h.paneA().top + 10;

  // A first tuning, then a second: undo goes back to the state between them.
  app::TuningChoice up;
  up.pitchShift = 2;
  h.shell.tuningAnswers.push_back(up);
  h.window.onRightButtonDown(x, y);
  const std::vector<std::int16_t> afterFirst = channel(h, 0);
  h.shell.tuningAnswers.push_back(onlyA());
  h.window.onRightButtonDown(x, y);
  ASSERT_NE(channel(h, 0), afterFirst);

  // OK with nothing to do changes no sample and keeps the undo data, but
  // still repaints.
  const std::vector<std::int16_t> afterSecond = channel(h, 0);
  h.shell.tuningAnswers.push_back(app::TuningChoice{});
  h.shell.clearRecords();
  h.window.onRightButtonDown(x, y);
  EXPECT_EQ(channel(h, 0), afterSecond);
  EXPECT_TRUE(h.shell.undoEnabled);
  EXPECT_GT(h.shell.count("invalidate"), 0);

  // Cancel: the readout stays, nothing is repainted or changed.
  h.shell.tuningAnswers.push_back(std::nullopt);
  h.shell.clearRecords();
  h.window.onRightButtonDown(x, y);
  EXPECT_EQ(h.shell.count("drawText"), 1);
  EXPECT_EQ(h.shell.count("invalidate"), 0);
  EXPECT_EQ(channel(h, 0), afterSecond);
  EXPECT_EQ(h.app.mode, TransportMode::Idle);

  h.window.onCommand(app::CMD_UNDO_TUNING);
  EXPECT_EQ(channel(h, 0), afterFirst);

  // The dialog goes to the side away from the readout.
  h.select(60000, 80000);
  h.shell.tuningAnswers.push_back(std::nullopt);
  h.window.onRightButtonDown(x, y);
  EXPECT_EQ(h.shell.tuningDialogOnLeft, (std::vector<bool>{true, false}));
}

}  // namespace
