#include "app/file_commands.h"

#include <optional>

#include "app/app_constants.h"
#include "app/file_worker.h"
#include "app/loader_thread.h"
#include "app/record_finish_thread.h"
#include "app/saver_thread.h"
#include "app/scrolling.h"
#include "app/undo_tuning.h"
#include "app/view_lock.h"
#include "view/pane_background.h"
#include "view/progress_box.h"

namespace app {

namespace {

// The old track's picture goes, the progress box comes: what Open and the
// end of a recording show while their worker runs.
void clearForNewTrack(AppContext& ctx) {
  state::AppState& app = ctx.app;
  resetScrollBar(ctx);
  app.framesPerPixel = 0;
  app.fitFramesPerPixel = 0;
  app.playPos = 0;
  const ViewLock lock = ViewLock::take(app.viewMutex);
  view::paintBackgrounds(ctx.view, app, true);
  view::invalidatePanes(ctx.view, ctx.shell, true);
  view::showProgressBox(ctx.view, ctx.shell);
}

void showProgress(AppContext& ctx) {
  const ViewLock lock = ViewLock::take(ctx.app.viewMutex);
  view::showProgressBox(ctx.view, ctx.shell);
}

// Starts `work` on a worker; without one the progress box goes again and the
// track is handed back.
void runWorker(AppContext& ctx, std::function<void()> work) {
  if (startWorker(ctx, std::move(work))) return;
  hideProgress(ctx);
  ctx.app.mode = state::TransportMode::Idle;
}

}  // namespace

void openTrack(AppContext& ctx) {
  const std::optional<std::string> path = ctx.shell.openFileDialog();
  if (!path) return;
  openTrackFile(ctx, *path);
}

void openTrackFile(AppContext& ctx, const std::string& path) {
  state::AppState& app = ctx.app;
  app.mode = state::TransportMode::Busy;
  discardUndo(ctx);
  app.freeTrack();
  clearForNewTrack(ctx);
  runWorker(ctx, [&ctx, path] { LoaderThread(ctx, path); });
  ctx.shell.focusButton(view::ID_PLAY);
}

void saveTrackAs(AppContext& ctx) {
  if (!ctx.app.hasTrack()) return;
  const std::optional<std::string> name = ctx.shell.saveFileDialog(DEFAULT_SAVE_NAME);
  if (!name) return;
  ctx.app.mode = state::TransportMode::Busy;
  showProgress(ctx);
  runWorker(ctx, [&ctx, path = withSaveExtension(*name)] { SaverThread(ctx, path); });
}

void finishRecording(AppContext& ctx) {
  clearForNewTrack(ctx);
  runWorker(ctx, [&ctx] { RecordFinishThread(ctx); });
  if (ctx.app.mode == state::TransportMode::Idle) {
    // No worker (the system is out of threads or memory): the recording
    // cannot be kept, and the user is told rather than left to find it gone.
    if (ctx.app.chunks.head != nullptr)
      ctx.shell.messageBox(MSG_RECORDING_OUT_OF_MEMORY, CAPTION_CREATE_ERROR, MessageIcon::Error,
                           MessageButtons::Ok, true);
    ctx.app.chunks.free();
    ctx.app.chunkCount = 0;
    ctx.app.spoolBuffer.reset();
    ctx.app.spoolToFile = false;
  }
  ctx.shell.focusButton(view::ID_PLAY);
}

}  // namespace app
