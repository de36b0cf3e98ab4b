#include "app/transport_buttons.h"

#include <cstdio>

#include "app/app_constants.h"
#include "app/can_act.h"
#include "app/file_commands.h"
#include "app/view_lock.h"
#include "app/window_layout.h"
#include "app/zoom.h"
#include "view/view_constants.h"

namespace app {

using state::TransportMode;

namespace {

void settle(AppContext& ctx) {
  if (ctx.settle) ctx.settle(std::chrono::milliseconds(BUTTON_SETTLE_MS));
}

void focusIndexButton(AppContext& ctx) {
  ctx.shell.focusButton(view::BUTTON_ID_FIRST + ctx.app.focusIndex);
}

// Prime and start the stream, then hand the focus to Pause. A stream the host
// refuses would never call back, so nothing would ever end it: Stop is posted
// at once and the transport returns to Idle.
void startStream(AppContext& ctx, bool follow) {
  ctx.app.deviceFrames = 0;
  const bool primed = ctx.host && ctx.host->streamPrime();
  if (follow) ctx.app.follow = true;
  const bool started = primed && ctx.host->streamStart();
  if (!started) ctx.shell.postCommand(view::ID_STOP);
  ctx.shell.focusButton(view::ID_PAUSE);
  settle(ctx);
}

std::uint32_t rangeStart(const state::AppState& app) {
  return app.selActive ? app.selStart : 0;
}

void play(AppContext& ctx) {
  if (!CanAct(ctx, TransportAction::Play)) return;
  ctx.app.playPos = rangeStart(ctx.app);
  ctx.app.cursorPos = rangeStart(ctx.app);
  startStream(ctx, true);
}

void loop(AppContext& ctx) {
  if (!CanAct(ctx, TransportAction::Loop)) return;
  const std::uint32_t start = rangeStart(ctx.app);
  ctx.app.playPos = start;
  // The cursor starts one block ahead: the first block is already on its way.
  ctx.app.cursorPos = start + ctx.app.blockFrames;
  startStream(ctx, true);
}

void record(AppContext& ctx) {
  if (!CanAct(ctx, TransportAction::Record)) return;
  ctx.app.cursorPos = 0;
  ctx.app.playPos = 0;
  startStream(ctx, false);
}

void pause(AppContext& ctx) {
  if (!CanAct(ctx, TransportAction::Pause)) return;
  state::AppState& app = ctx.app;
  if (!app.paused) {
    if (ctx.host) ctx.host->streamPause();
    ctx.shell.setButtonText(view::ID_PAUSE, RESUME_TEXT);
    app.paused = true;
  } else {
    if (ctx.host) ctx.host->streamResume();
    ctx.shell.setButtonText(view::ID_PAUSE, PAUSE_TEXT);
    app.paused = false;
  }
  ctx.shell.focusButton(view::ID_PAUSE);
  settle(ctx);
}

void stop(AppContext& ctx) {
  state::AppState& app = ctx.app;
  app.follow = false;
  if (!CanAct(ctx, TransportAction::Stop)) return;
  if (ctx.host) ctx.host->streamStop();
  const TransportMode from = app.mode;
  if (from == TransportMode::Recording || from == TransportMode::RecordPaused) {
    ctx.shell.enableButton(view::ID_ZOOM_IN, true);
    ctx.shell.enableButton(view::ID_ZOOM_OUT, true);
    ctx.shell.setButtonText(view::ID_PAUSE, PAUSE_TEXT);
  }
  if (from == TransportMode::PlayPaused || from == TransportMode::LoopPaused)
    ctx.shell.setButtonText(view::ID_PAUSE, PAUSE_TEXT);
  ctx.shell.enableButton(view::ID_PLAY, true);
  ctx.shell.enableButton(view::ID_LOOP, true);
  ctx.shell.enableButton(view::ID_RECORD, true);
  app.follow = false;
  app.loop = false;
  app.paused = false;
  app.restoreScrollOnResume = false;
  app.savedScrollPos = -1;
  app.mode = TransportMode::Idle;
  if (app.recording) {
    app.mode = TransportMode::Busy;
    app.recording = false;
    if (ctx.finishRecording)
      ctx.finishRecording(ctx);
    else
      finishRecording(ctx);
  }
  app.cursorPos = 0;
  app.playPos = 0;
  ctx.shell.focusButton(view::ID_PLAY);
}

void zoomButton(AppContext& ctx, ZoomDirection direction) {
  if (CanAct(ctx, TransportAction::Zoom)) {
    // The follow step or a re-layout may hold the view; then this step is skipped.
    if (ViewLock lock =
            ViewLock::tryTakeFor(ctx.app.viewMutex, std::chrono::milliseconds(ZOOM_LOCK_WAIT_MS)))
      zoomStep(ctx, direction);
  }
  focusIndexButton(ctx);
  settle(ctx);
}

}  // namespace

void transportButton(AppContext& ctx, int id) {
  // Only clicks (notification 0 in the high word) act.
  if ((id >> 16) != 0) return;
  // Play, Loop and Record scroll and draw without the view lock (nothing else
  // draws while the transport is Idle), but a re-layout the last follow step
  // started may still be running; it never waits for this thread.
  if (id == view::ID_PLAY || id == view::ID_LOOP || id == view::ID_RECORD) waitForRelayouts(ctx);
  if (id >= view::BUTTON_ID_FIRST && id < view::BUTTON_ID_FIRST + view::BUTTON_COUNT)
    ctx.app.focusIndex = static_cast<std::int16_t>(id - view::BUTTON_ID_FIRST);
  switch (id) {
    case view::ID_PLAY:
      return play(ctx);
    case view::ID_LOOP:
      return loop(ctx);
    case view::ID_RECORD:
      return record(ctx);
    case view::ID_PAUSE:
      return pause(ctx);
    case view::ID_STOP:
      return stop(ctx);
    case view::ID_ZOOM_IN:
      return zoomButton(ctx, ZoomDirection::In);
    case view::ID_ZOOM_OUT:
      return zoomButton(ctx, ZoomDirection::Out);
    default: {
      char text[64];
      std::snprintf(text, sizeof text, MSG_BUTTON_PRESSED, id & 0xFFFF);
      ctx.shell.messageBox(text, CAPTION_BUTTON_PRESSED, MessageIcon::Exclamation,
                           MessageButtons::Ok, true);
    }
  }
}

}  // namespace app
