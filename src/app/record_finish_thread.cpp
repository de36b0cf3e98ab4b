#include "app/record_finish_thread.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "app/app_constants.h"
#include "app/file_worker.h"
#include "app/view_lock.h"
#include "audiofile/staged_wav_file.h"

namespace app {

namespace {

constexpr std::uint64_t MAX_TRACK_FRAMES = 0xFFFFFFFFull;

// Asks for the file the recording goes to until one can be created there;
// false when the user cancels.
bool chooseSpoolFile(AppContext& ctx, audiofile::StagedWavFile& file) {
  for (;;) {
    const std::optional<std::string> name = ctx.shell.saveFileDialogFromWorker(DEFAULT_SAVE_NAME);
    if (!name) return false;
    // Without memory even for the name no file can be made: reported as
    // such, and the user may try again.
    bool created = false;
    try {
      created = file.create(withSaveExtension(*name), 2, trackRate(ctx.app));
    } catch (const std::bad_alloc&) {
    }
    if (created) return true;
    workerError(ctx, MSG_CANNOT_CREATE, CAPTION_CREATE_ERROR);
  }
}

// Left and right of `frames` frames, interleaved.
void interleave(const state::RecordChunk& chunk, std::uint64_t frames, std::int16_t* out) {
  for (std::uint64_t i = 0; i < frames; ++i) {
    out[2 * i] = chunk.left[i];
    out[2 * i + 1] = chunk.right[i];
  }
}

void finishEnd(AppContext& ctx) {
  ctx.app.spoolBuffer.reset();
  ctx.app.spoolToFile = false;
  endWorker(ctx);
}

// A recording that did not fit in memory: chunk by chunk through the spool
// buffer into a file. The track stays empty.
void spoolToFile(AppContext& ctx, std::uint64_t totalFrames) {
  state::AppState& app = ctx.app;
  audiofile::StagedWavFile file;
  if (!app.spoolBuffer) {
    workerError(ctx, MSG_RECORDING_OUT_OF_MEMORY, CAPTION_CREATE_ERROR);
    app.chunks.free();
  } else if (!chooseSpoolFile(ctx, file)) {
    app.chunks.free();
  }
  if (!file.isOpen()) {
    showNoTrack(ctx);
    return finishEnd(ctx);
  }
  auto* spool = reinterpret_cast<std::int16_t*>(app.spoolBuffer.get());
  ProgressBar bar(ctx);
  std::uint64_t done = 0;
  while (std::unique_ptr<state::RecordChunk> chunk = app.chunks.takeHead()) {
    const std::uint64_t frames = std::uint64_t{chunk->blocksUsed} * app.blockFrames;
    interleave(*chunk, frames, spool);
    chunk.reset();
    // After a failed write the rest is only freed; the file keeps what it took.
    file.write(spool, static_cast<std::uint32_t>(frames * 4));
    done += frames;
    bar.advance(done, totalFrames);
  }
  app.chunkCount = 0;
  if (!file.commit(true))
    workerError(ctx, file.keptPartial() ? MSG_RECORDING_INCOMPLETE : MSG_CANNOT_CREATE,
                CAPTION_CREATE_ERROR);
  showNoTrack(ctx);
  finishEnd(ctx);
}

}  // namespace

void RecordFinishThread(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (app.chunks.head == nullptr) {
    // Stop before any block arrived: nothing to keep.
    hideProgress(ctx);
    return finishEnd(ctx);
  }
  {
    const ViewLock lock = ViewLock::take(app.viewMutex);
    app.freeTrack();
    app.channels = 2;
    app.stereo = true;
  }
  std::uint64_t totalFrames = 0;
  for (const state::RecordChunk* c = app.chunks.head; c != nullptr; c = c->next)
    totalFrames += std::uint64_t{c->blocksUsed} * app.blockFrames;

  std::unique_ptr<std::int16_t[]> samples;
  if (!app.spoolToFile) {
    if (totalFrames <= MAX_TRACK_FRAMES) samples.reset(ctx.allocateTrack(totalFrames * 2));
    if (samples)
      app.spoolBuffer.reset();
    else
      app.spoolToFile = true;
  }
  if (app.spoolToFile) return spoolToFile(ctx, totalFrames);

  const auto frameCount = static_cast<std::uint32_t>(totalFrames);
  PeakFiller peaks(frameCount, 2, app.initialPaneWidth);
  // With groups to compute, the first half of the bar is for the chunks and
  // the second for the peaks.
  const std::uint64_t barTotal = peaks.framesPerPeak() > 1 ? 2 * totalFrames : totalFrames;
  ProgressBar bar(ctx);
  std::uint64_t done = 0;
  while (std::unique_ptr<state::RecordChunk> chunk = app.chunks.takeHead()) {
    const std::uint64_t frames = std::uint64_t{chunk->blocksUsed} * app.blockFrames;
    interleave(*chunk, frames, samples.get() + 2 * done);
    done += frames;
    bar.advance(done, barTotal);
  }
  app.chunkCount = 0;
  if (peaks.grouped()) {
    // In about 64 steps, so the bar keeps moving.
    const std::uint64_t step = std::max<std::uint64_t>(peaks.framesPerPeak(), totalFrames / 64);
    for (std::uint64_t upTo = step; upTo < totalFrames; upTo += step) {
      peaks.fillUpTo(samples.get(), static_cast<std::uint32_t>(upTo));
      bar.advance(totalFrames + upTo, barTotal);
    }
  }
  bar.advance(barTotal, barTotal);
  {
    const ViewLock lock = ViewLock::take(app.viewMutex);
    peaks.finish(samples.get(), frameCount, app);
    app.samples = std::move(samples);
    app.frameCount = frameCount;
  }
  showNewTrack(ctx);
  finishEnd(ctx);
}

}  // namespace app
