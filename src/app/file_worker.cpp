#include "app/file_worker.h"

#include <new>
#include <thread>

#include "app/app_constants.h"
#include "app/scrolling.h"
#include "app/view_lock.h"
#include "app/zoom.h"
#include "audiofile/audiofile_constants.h"
#include "view/pane_background.h"
#include "view/peaks.h"
#include "view/play_cursor.h"
#include "view/progress_box.h"

namespace app {

std::int16_t* allocateSamples(std::uint64_t count) {
  if (count == 0 || count > SIZE_MAX / sizeof(std::int16_t)) return nullptr;
  return new (std::nothrow) std::int16_t[static_cast<std::size_t>(count)];
}

bool startWorker(AppContext& ctx, std::function<void()> work) {
  ctx.workersRunning.fetch_add(1);
  try {
    std::thread(std::move(work)).detach();
    return true;
  } catch (...) {
    // No thread (or no memory for it): the caller hands the track back.
    ctx.workersRunning.fetch_sub(1);
    return false;
  }
}

void endWorker(AppContext& ctx) {
  ctx.app.mode = state::TransportMode::Idle;
  ctx.shell.postCommand(CMD_WORKER_ENDED);
  ctx.workersRunning.fetch_sub(1);
}

void waitForWorkers(AppContext& ctx) {
  while (ctx.workersRunning.load() > 0) std::this_thread::yield();
}

void workerError(AppContext& ctx, const char* text, const char* caption) {
  ctx.shell.messageBoxFromWorker(text, caption, MessageIcon::Error, MessageButtons::Ok);
}

std::uint32_t trackRate(const state::AppState& app) {
  return app.sampleRate != 0 ? app.sampleRate : audiofile::TRACK_RATE;
}

std::string withSaveExtension(std::string path) {
  if (path.find('.') == std::string::npos) path += SAVE_EXTENSION;
  return path;
}

void ProgressBar::advance(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return;
  const ViewLock lock = ViewLock::take(ctx_.app.viewMutex);
  view::advanceProgressBar(ctx_.view, ctx_.shell,
                           static_cast<double>(done) / static_cast<double>(total), columns_);
}

PeakFiller::PeakFiller(std::uint32_t frameCount, std::uint32_t channels, int initialPaneWidth)
    : array_(state::sizePeakArray(frameCount, channels, initialPaneWidth, true)),
      channels_(channels) {}

void PeakFiller::fillUpTo(const std::int16_t* samples, std::uint32_t frames) {
  if (!grouped()) return;
  const std::uint32_t size = array_.framesPerPeak;
  while (groupsDone_ < array_.groupCount &&
         static_cast<std::uint64_t>(groupsDone_ + 1) * size <= frames) {
    const std::size_t first = static_cast<std::size_t>(groupsDone_) * size * channels_;
    view::storePeakGroup(array_.peaks.get(), groupsDone_, channels_, samples + first, size);
    ++groupsDone_;
  }
}

void PeakFiller::finish(const std::int16_t* samples, std::uint32_t frames, state::AppState& app) {
  fillUpTo(samples, frames);
  if (grouped() && groupsDone_ < array_.groupCount) {
    const std::uint64_t first = static_cast<std::uint64_t>(groupsDone_) * array_.framesPerPeak;
    const auto rest = static_cast<std::uint32_t>(frames > first ? frames - first : 0);
    view::storePeakGroup(array_.peaks.get(), groupsDone_, channels_,
                         samples + static_cast<std::size_t>(first) * channels_, rest);
    ++groupsDone_;
  }
  app.peaks = std::move(array_.peaks);
  app.framesPerPeak = array_.framesPerPeak;
}

void showNewTrack(AppContext& ctx) {
  state::AppState& app = ctx.app;
  {
    const ViewLock lock = ViewLock::take(app.viewMutex);
    view::hideProgressBox(ctx.view, ctx.shell);
    // From no zoom at all, the refit lands on the fit zoom at scroll position
    // 0, sets the scroll range and draws the whole track.
    app.framesPerPixel = 0;
    app.scrollPos = 0;
    refitZoom(ctx);
    ctx.shell.enableScrollBar(true);
    app.playPos = 0;
    view::drawPlayCursor(ctx.view, app, ctx.shell, ctx.paneA().left);
  }
  ctx.shell.focusButton(view::ID_PLAY);
}

void hideProgress(AppContext& ctx) {
  const ViewLock lock = ViewLock::take(ctx.app.viewMutex);
  view::hideProgressBox(ctx.view, ctx.shell);
}

void showNoTrack(AppContext& ctx) {
  const ViewLock lock = ViewLock::take(ctx.app.viewMutex);
  view::hideProgressBox(ctx.view, ctx.shell);
  view::paintBackgrounds(ctx.view, ctx.app, true);
  view::invalidatePanes(ctx.view, ctx.shell, true);
}

}  // namespace app
