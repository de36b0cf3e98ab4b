#include "app/can_act.h"

#include <new>

#include "app/app_constants.h"
#include "app/scrolling.h"
#include "app/undo_tuning.h"
#include "app/view_lock.h"
#include "view/highlight.h"
#include "view/pane_background.h"
#include "view/view_constants.h"

namespace app {

using state::TransportMode;

namespace {

bool refuse(AppContext& ctx, const char* text, const char* caption) {
  ctx.shell.messageBox(text, caption, MessageIcon::Exclamation, MessageButtons::Ok, true);
  return false;
}

void eraseReadout(AppContext& ctx) {
  view::eraseReadouts(ctx.app, ctx.shell);
}

// Play and Loop share their checks and effects; only the caption and the mode differ.
bool startPlayback(AppContext& ctx, const char* caption, bool looping) {
  state::AppState& app = ctx.app;
  if (app.mode == TransportMode::Busy) return false;
  if (!app.hasTrack()) return refuse(ctx, MSG_NO_AUDIO, caption);
  if (!app.streamReady) return refuse(ctx, MSG_SELECT_DEVICE_FIRST, caption);
  ctx.shell.enableButton(view::ID_PLAY, false);
  ctx.shell.enableButton(view::ID_LOOP, false);
  ctx.shell.enableButton(view::ID_RECORD, false);
  if (app.selActive) {
    eraseReadout(ctx);
    showSelectionStart(ctx);
  } else {
    scrollTo(ctx, 0);
  }
  app.savedScrollPos = -1;
  app.restoreScrollOnResume = false;
  if (looping) app.loop = true;
  app.mode = looping ? TransportMode::Looping : TransportMode::Playing;
  return true;
}

bool startRecording(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (app.mode == TransportMode::Busy) return false;
  if (!app.streamReady) return refuse(ctx, MSG_SELECT_DEVICE_FIRST, CAPTION_RECORD);
  discardUndo(ctx);
  app.freeTrack();
  // The recording holds the samples as the driver delivers them.
  app.sampleRate = app.driverRate;
  for (int id :
       {view::ID_PLAY, view::ID_LOOP, view::ID_RECORD, view::ID_ZOOM_IN, view::ID_ZOOM_OUT})
    ctx.shell.enableButton(id, false);
  resetScrollBar(ctx);
  eraseReadout(ctx);
  app.selActive = false;
  view::paintBackgrounds(ctx.view, app, true);
  view::invalidatePanes(ctx.view, ctx.shell, true);
  app.savedScrollPos = -1;
  app.restoreScrollOnResume = false;
  app.loop = true;
  app.recording = true;
  app.spoolToFile = false;
  // Without the spool buffer recording still starts; only a recording that
  // outgrows memory can then not be written to a file.
  const std::size_t spoolBytes = static_cast<std::size_t>(app.blockFrames) * app.blocksPerChunk * 4;
  app.spoolBuffer.reset(new (std::nothrow) std::uint8_t[spoolBytes]);
  app.mode = TransportMode::Recording;
  return true;
}

bool pauseOrResume(AppContext& ctx) {
  state::AppState& app = ctx.app;
  switch (app.mode.load()) {
    case TransportMode::Playing:
    case TransportMode::Looping: {
      // The follow step may be scrolling; it holds the view only briefly and
      // never waits for this thread.
      const ViewLock lock = ViewLock::take(app.viewMutex);
      app.savedScrollPos = app.scrollPos;
      app.mode = app.mode == TransportMode::Playing ? TransportMode::PlayPaused
                                                    : TransportMode::LoopPaused;
      return true;
    }
    case TransportMode::Recording:
      app.mode = TransportMode::RecordPaused;
      return true;
    case TransportMode::PlayPaused:
    case TransportMode::LoopPaused: {
      const bool looping = app.mode == TransportMode::LoopPaused;
      const ViewLock lock = ViewLock::take(app.viewMutex);
      if (app.restoreScrollOnResume && app.savedScrollPos > -1) {
        scrollTo(ctx, app.savedScrollPos);
        app.savedScrollPos = -1;
        app.restoreScrollOnResume = false;
      }
      app.mode = looping ? TransportMode::Looping : TransportMode::Playing;
      return true;
    }
    case TransportMode::RecordPaused:
      app.mode = TransportMode::Recording;
      return true;
    default:
      return false;
  }
}

bool select(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (app.mode != TransportMode::Idle || !app.hasTrack()) return false;
  if (app.selActive) {
    if (view::computeSelectionColumns(ctx.view, app)) {
      view::highlightColumns(ctx.view, app, ctx.shell, ctx.view.selStartCol, ctx.view.selEndCol,
                             false);
      ctx.view.selShown = false;
      eraseReadout(ctx);
    }
    app.selActive = false;
  }
  return true;
}

// Open and Save as: refused while the transport runs or a worker owns the track.
bool fileRequest(AppContext& ctx, const char* caption) {
  const TransportMode mode = ctx.app.mode;
  if (mode == TransportMode::Busy) return refuse(ctx, MSG_WAIT_FOR_OPERATION, caption);
  if (state::isStreaming(mode)) return refuse(ctx, MSG_STOP_FIRST, caption);
  return true;
}

}  // namespace

void forgetReadout(state::AppState& app) {
  app.readout[0].shown = false;
  app.readout[1].shown = false;
}

bool resizeAllowed(TransportMode mode) {
  return mode != TransportMode::Recording && mode != TransportMode::RecordPaused &&
         mode != TransportMode::Busy;
}

bool CanAct(AppContext& ctx, TransportAction action) {
  state::AppState& app = ctx.app;
  const TransportMode mode = app.mode;
  const int modeValue = static_cast<int>(mode);
  if (modeValue < 0 || modeValue > static_cast<int>(TransportMode::Busy))
    return refuse(ctx, MSG_UNHANDLED, CAPTION_CAN_ACT);

  switch (action) {
    case TransportAction::Play:
      return startPlayback(ctx, CAPTION_PLAY, false);
    case TransportAction::Loop:
      return startPlayback(ctx, CAPTION_LOOP, true);
    case TransportAction::Record:
      return startRecording(ctx);
    case TransportAction::Pause:
      return pauseOrResume(ctx);
    case TransportAction::Stop:
      return app.streamReady && mode != TransportMode::Idle && mode != TransportMode::Busy;
    case TransportAction::Zoom:
      if (mode == TransportMode::Recording || mode == TransportMode::RecordPaused)
        return refuse(ctx, MSG_NO_ZOOM_WHILE_RECORDING, CAPTION_ZOOM);
      if (mode == TransportMode::Busy) return false;
      forgetReadout(app);
      return true;
    case TransportAction::Select:
      return select(ctx);
    case TransportAction::Tune:
      if (mode != TransportMode::Idle || !app.hasTrack() || !app.selActive) return false;
      app.mode = TransportMode::Busy;
      return true;
    case TransportAction::Scroll:
      if (mode == TransportMode::PlayPaused || mode == TransportMode::LoopPaused) {
        app.restoreScrollOnResume = true;
      } else if (mode != TransportMode::Idle) {
        return false;
      }
      forgetReadout(app);
      return true;
    case TransportAction::Resize:
      if (!resizeAllowed(mode)) return false;
      forgetReadout(app);
      return true;
    case TransportAction::Open:
      if (!fileRequest(ctx, CAPTION_OPEN)) return false;
      app.selActive = false;
      forgetReadout(app);
      return true;
    case TransportAction::SaveAs:
      return fileRequest(ctx, CAPTION_SAVE_AS);
    case TransportAction::Quit:
      if (mode == TransportMode::Busy)
        return refuse(ctx, MSG_WAIT_FOR_OPERATION, CAPTION_QUIT_REQUEST);
      return true;
  }
  return refuse(ctx, MSG_UNHANDLED, CAPTION_CAN_ACT);
}

}  // namespace app
