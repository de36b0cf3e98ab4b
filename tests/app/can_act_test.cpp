// CanAct row by row: every refusal with its exact message (or none) and with
// every piece of state left as it was; every allowance with its mode change
// and side effects.
#include "app/can_act.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

#include "app/app_constants.h"
#include "app_harness.h"
#include "view/column_mapping.h"

namespace {

using app::CanAct;
using app::TransportAction;
using state::TransportMode;
using A = TransportAction;
using M = TransportMode;

auto fieldsOf(const state::AppState& a) {
  return std::make_tuple(a.mode.load(), a.selActive, a.loop.load(), a.recording.load(), a.paused,
                         a.follow.load(), a.restoreScrollOnResume, a.spoolToFile.load(),
                         a.readout[0].shown, a.readout[1].shown, a.selStart, a.selEnd, a.frameCount,
                         a.savedScrollPos, a.scrollPos, a.scrollMax, a.samples.get(),
                         a.spoolBuffer.get(), a.undo.holdsSamples());
}

// Everything a refusal must leave alone.
struct Snapshot {
  explicit Snapshot(apptest::Harness& h) : fields(fieldsOf(h.app)), buttons(h.shell.buttons) {
    image.create(h.view().image.width(), h.view().image.height());
    image.copyIn(h.view().image, 0, 0);
  }
  bool operator==(const Snapshot&) const = default;

  decltype(fieldsOf(std::declval<state::AppState&>())) fields;
  std::map<int, testsupport::ButtonState> buttons;
  view::Image image;
};

constexpr const char* kNoAudio = app::MSG_NO_AUDIO;
constexpr const char* kDevice = app::MSG_SELECT_DEVICE_FIRST;
constexpr const char* kStop = app::MSG_STOP_FIRST;
constexpr const char* kWait = app::MSG_WAIT_FOR_OPERATION;
constexpr const char* kNoZoom = app::MSG_NO_ZOOM_WHILE_RECORDING;

struct Refusal {
  A action;
  std::vector<M> modes;
  bool track;
  bool stream;
  bool selection;
  const char* text = nullptr;  // nullptr: refused without a message
  const char* caption = nullptr;
};

const std::vector<M> STREAMING = {M::Playing,    M::Looping,    M::Recording,
                                  M::PlayPaused, M::LoopPaused, M::RecordPaused};

const Refusal REFUSALS[] = {
    {A::Play, {M::Busy}, true, true, false},
    // The track check comes before the device check.
    {A::Play, {M::Idle}, false, false, false, kNoAudio, app::CAPTION_PLAY},
    {A::Play, {M::Idle}, true, false, false, kDevice, app::CAPTION_PLAY},
    {A::Loop, {M::Busy}, true, true, false},
    {A::Loop, {M::Idle}, false, true, false, kNoAudio, app::CAPTION_LOOP},
    {A::Loop, {M::Idle}, true, false, true, kDevice, app::CAPTION_LOOP},
    {A::Record, {M::Busy}, false, true, false},
    // Record needs no track, only the device.
    {A::Record, {M::Idle}, false, false, false, kDevice, app::CAPTION_RECORD},
    {A::Pause, {M::Idle, M::Busy}, true, true, false},
    {A::Stop, {M::Playing}, true, false, false},
    {A::Stop, {M::Idle, M::Busy}, true, true, false},
    {A::Zoom, {M::Recording, M::RecordPaused}, true, true, false, kNoZoom, app::CAPTION_ZOOM},
    {A::Zoom, {M::Busy}, true, true, false},
    {A::Select, {M::Playing}, true, true, true},
    {A::Select, {M::Idle}, false, false, true},
    {A::Tune, {M::Looping}, true, true, true},
    {A::Tune, {M::Idle}, false, false, true},
    {A::Tune, {M::Idle}, true, false, false},
    {A::Scroll, {M::Playing, M::Looping, M::Recording}, true, true, false},
    {A::Scroll, {M::RecordPaused, M::Busy}, true, true, false},
    {A::Resize, {M::Recording, M::RecordPaused, M::Busy}, true, true, false},
    {A::Open, STREAMING, true, true, true, kStop, app::CAPTION_OPEN},
    {A::Open, {M::Busy}, true, true, true, kWait, app::CAPTION_OPEN},
    {A::SaveAs, STREAMING, true, true, false, kStop, app::CAPTION_SAVE_AS},
    {A::SaveAs, {M::Busy}, true, true, false, kWait, app::CAPTION_SAVE_AS},
    {A::Quit, {M::Busy}, true, true, false, kWait, app::CAPTION_QUIT_REQUEST},
    {static_cast<A>(14), {M::Idle}, true, true, false, app::MSG_UNHANDLED, app::CAPTION_CAN_ACT},
    {A::Quit, {static_cast<M>(8)}, true, true, false, app::MSG_UNHANDLED, app::CAPTION_CAN_ACT},
};

TEST(CanActRefusal, EveryRowRefusesWithItsMessageAndChangesNothing) {
  for (const Refusal& r : REFUSALS) {
    for (M mode : r.modes) {
      SCOPED_TRACE(::testing::Message() << "action " << static_cast<int>(r.action) << " mode "
                                        << static_cast<int>(mode));
      apptest::Harness h;
      if (r.track) h.loadTrack(50000, 2);
      if (r.stream) h.readyStream();
      if (r.selection) {
        h.select(1000, 9000);
      }
      h.app.readout[0].shown = true;
      h.app.undo.samples.reset(new std::int16_t[4]());
      h.app.undo.frameCount = 4;
      h.app.mode = mode;
      h.shell.clearRecords();
      const Snapshot before(h);

      EXPECT_FALSE(CanAct(h.ctx(), r.action));

      EXPECT_TRUE(Snapshot(h) == before);
      EXPECT_TRUE(h.shell.invalidated.empty());
      if (r.text == nullptr) {
        EXPECT_TRUE(h.shell.messageBoxes.empty());
        continue;
      }
      ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
      const testsupport::MessageBoxCall& m = h.shell.messageBoxes[0];
      EXPECT_EQ(m.text, r.text);
      EXPECT_EQ(m.caption, r.caption);
      EXPECT_EQ(m.icon, app::MessageIcon::Exclamation);
      EXPECT_EQ(m.buttons, app::MessageButtons::Ok);
      EXPECT_TRUE(m.owned);
    }
  }
}

class CanActAllowed : public ::testing::Test {
 protected:
  apptest::Harness h;
  void SetUp() override {
    h.loadTrack(200000, 2);
    h.readyStream();
  }
  // Zoomed in three steps, view at column `pos`.
  void zoomedAt(int pos) {
    h.app.framesPerPixel = h.app.fitFramesPerPixel / 8;
    h.app.scrollMax = static_cast<int>(h.app.frameCount / h.app.framesPerPixel) - h.paneWidth() / 2;
    h.app.scrollPos = pos;
  }
};

TEST_F(CanActAllowed, PlayScrollsToTheSelectionStartAndErasesTheReadout) {
  zoomedAt(0);
  h.select(150000, 160000);
  h.app.readout[1] = {{100, 100, 140, 120}, true};
  h.app.savedScrollPos = 7;
  h.app.restoreScrollOnResume = true;
  h.shell.clearRecords();

  ASSERT_TRUE(CanAct(h.ctx(), A::Play));
  EXPECT_EQ(h.app.mode, M::Playing);
  EXPECT_FALSE(h.app.loop);
  EXPECT_EQ(h.app.scrollPos, static_cast<int>(150000 / h.app.framesPerPixel));
  EXPECT_EQ(h.shell.scrollPos, h.app.scrollPos);
  EXPECT_FALSE(h.app.readout[1].shown);
  EXPECT_EQ(h.shell.invalidated.front(), (view::Rect{100, 100, 140, 120}));
  EXPECT_EQ(h.app.savedScrollPos, -1);
  EXPECT_FALSE(h.app.restoreScrollOnResume);
  for (int id : {view::ID_PLAY, view::ID_LOOP, view::ID_RECORD})
    EXPECT_FALSE(h.shell.buttons[id].enabled) << id;
  EXPECT_TRUE(h.shell.buttons[view::ID_ZOOM_IN].enabled);
}

TEST_F(CanActAllowed, LoopWithoutSelectionGoesBackToTheStart) {
  zoomedAt(300);
  ASSERT_TRUE(CanAct(h.ctx(), A::Loop));
  EXPECT_EQ(h.app.mode, M::Looping);
  EXPECT_TRUE(h.app.loop);
  EXPECT_EQ(h.app.scrollPos, 0);
}

TEST_F(CanActAllowed, RecordDropsTrackUndoSelectionAndScrollRange) {
  h.app.undo.samples.reset(new std::int16_t[8]());
  h.app.undo.frameCount = 8;
  h.shell.undoEnabled = true;
  h.select(0, 100000);
  zoomedAt(40);
  h.app.readout[0].shown = true;

  ASSERT_TRUE(CanAct(h.ctx(), A::Record));
  EXPECT_EQ(h.app.mode, M::Recording);
  EXPECT_FALSE(h.app.samples);
  EXPECT_EQ(h.app.frameCount, 0u);
  EXPECT_FALSE(h.app.undo.holdsSamples());
  EXPECT_FALSE(h.shell.undoEnabled);
  EXPECT_FALSE(h.app.selActive);
  EXPECT_FALSE(h.app.readout[0].shown);
  EXPECT_EQ(h.app.scrollPos, 0);
  EXPECT_EQ(h.app.scrollMax, 0);
  EXPECT_FALSE(h.shell.scrollEnabled);
  EXPECT_TRUE(h.app.loop);
  EXPECT_TRUE(h.app.recording);
  EXPECT_FALSE(h.app.spoolToFile);
  EXPECT_TRUE(h.app.spoolBuffer);
  for (int id :
       {view::ID_PLAY, view::ID_LOOP, view::ID_RECORD, view::ID_ZOOM_IN, view::ID_ZOOM_OUT})
    EXPECT_FALSE(h.shell.buttons[id].enabled) << id;
  // Both panes are plain background again: no waveform, no band.
  for (const view::Rect& pane : {h.paneA(), h.view().geometry.paneB})
    for (int x = pane.left; x < pane.right; x += 7)
      for (int y = pane.top; y < pane.bottom; y += 5)
        ASSERT_EQ(h.view().image.pixel(x, y), view::COLOUR_PANE);
}

TEST_F(CanActAllowed, PauseAndResumeFollowTheModesAndRestoreTheScroll) {
  zoomedAt(100);
  h.app.mode = M::Playing;
  ASSERT_TRUE(CanAct(h.ctx(), A::Pause));
  EXPECT_EQ(h.app.mode, M::PlayPaused);
  EXPECT_EQ(h.app.savedScrollPos, 100);

  // Scrolling while paused marks the view for restoring.
  ASSERT_TRUE(CanAct(h.ctx(), A::Scroll));
  EXPECT_TRUE(h.app.restoreScrollOnResume);
  h.app.scrollPos = 900;
  ASSERT_TRUE(CanAct(h.ctx(), A::Pause));
  EXPECT_EQ(h.app.mode, M::Playing);
  EXPECT_EQ(h.app.scrollPos, 100);
  EXPECT_EQ(h.app.savedScrollPos, -1);
  EXPECT_FALSE(h.app.restoreScrollOnResume);

  // Without a scroll the view stays where it is.
  h.app.mode = M::Looping;
  ASSERT_TRUE(CanAct(h.ctx(), A::Pause));
  EXPECT_EQ(h.app.mode, M::LoopPaused);
  h.app.scrollPos = 250;
  ASSERT_TRUE(CanAct(h.ctx(), A::Pause));
  EXPECT_EQ(h.app.mode, M::Looping);
  EXPECT_EQ(h.app.scrollPos, 250);

  h.app.mode = M::Recording;
  ASSERT_TRUE(CanAct(h.ctx(), A::Pause));
  EXPECT_EQ(h.app.mode, M::RecordPaused);
  ASSERT_TRUE(CanAct(h.ctx(), A::Pause));
  EXPECT_EQ(h.app.mode, M::Recording);
}

TEST_F(CanActAllowed, SelectRemovesAVisibleSelectionsHighlight) {
  h.select(20000, 60000);
  view::paintBackgrounds(h.view(), h.app, true);
  view::renderTrack(h.view(), h.app);
  ASSERT_GT(h.selectedColumns(), 0);
  h.app.readout[0].shown = true;

  ASSERT_TRUE(CanAct(h.ctx(), A::Select));
  EXPECT_FALSE(h.app.selActive);
  EXPECT_EQ(h.selectedColumns(), 0);
  EXPECT_FALSE(h.app.readout[0].shown);
  // The waveform is back in its unselected colour everywhere.
  const view::Rect& p = h.paneA();
  for (int y = p.top; y < p.bottom; ++y)
    for (int x = p.left; x < p.right; ++x)
      ASSERT_NE(h.view().image.pixel(x, y), view::COLOUR_WAVE_SELECTED)
          << x << "," << y << " band " << h.view().selStartCol << ".." << h.view().selEndCol;
}

TEST_F(CanActAllowed, RemainingRowsChangeOnlyWhatTheyShould) {
  h.app.readout[0].shown = true;
  h.app.mode = M::Playing;
  EXPECT_TRUE(CanAct(h.ctx(), A::Zoom));
  EXPECT_FALSE(h.app.readout[0].shown);
  EXPECT_TRUE(CanAct(h.ctx(), A::Stop));
  EXPECT_TRUE(CanAct(h.ctx(), A::Quit));
  EXPECT_EQ(h.app.mode, M::Playing);

  h.app.mode = M::Idle;
  h.select(0, 5000);
  ASSERT_TRUE(CanAct(h.ctx(), A::Tune));
  EXPECT_EQ(h.app.mode, M::Busy);

  h.app.mode = M::Idle;
  h.app.readout[1].shown = true;
  ASSERT_TRUE(CanAct(h.ctx(), A::Open));
  EXPECT_FALSE(h.app.selActive);
  EXPECT_FALSE(h.app.readout[1].shown);
  EXPECT_TRUE(CanAct(h.ctx(), A::SaveAs));
  EXPECT_TRUE(CanAct(h.ctx(), A::Resize));
  EXPECT_EQ(h.app.mode, M::Idle);
  EXPECT_TRUE(h.shell.messageBoxes.empty());
}

}  // namespace
