#include "app/loader_thread.h"

#include <memory>

#include "app/file_worker.h"
#include "app/view_lock.h"
#include "audiofile/audiofile_constants.h"
#include "audiofile/track_loader.h"
#include "audiofile/track_reader.h"

namespace app {

namespace {

constexpr std::uint64_t MAX_TRACK_FRAMES = 0xFFFFFFFFull;

void loadFailed(AppContext& ctx, audiofile::LoadStatus status) {
  showNoTrack(ctx);
  workerError(ctx, audiofile::loadStatusMessage(status), audiofile::CAPTION_LOAD_ERROR);
  endWorker(ctx);
}

}  // namespace

void LoaderThread(AppContext& ctx, const std::string& path) {
  state::AppState& app = ctx.app;
  audiofile::ImportRefusal why;
  std::unique_ptr<audiofile::TrackReader> reader = audiofile::openTrackFile(path.c_str(), why);
  if (!reader) return loadFailed(ctx, audiofile::refusalStatus(why));

  const std::uint32_t channels = reader->channels();
  const std::uint64_t blockBytes = reader->bytesPerBlock();
  const std::uint64_t totalBytes = reader->blockCount() * blockBytes;
  const std::uint64_t frames = totalBytes / 2 / channels;
  std::unique_ptr<std::int16_t[]> samples(
      frames <= MAX_TRACK_FRAMES ? ctx.allocateTrack(totalBytes / 2) : nullptr);
  if (!samples) {
    reader.reset();
    return loadFailed(ctx, audiofile::LoadStatus::NoMemory);
  }

  PeakFiller peaks(static_cast<std::uint32_t>(frames), channels, app.initialPaneWidth);
  ProgressBar bar(ctx);
  std::uint64_t produced = 0;
  for (std::uint64_t offset = 0; offset < totalBytes; offset += blockBytes) {
    bool ended = false;
    produced += reader->readBlock(samples.get() + offset / 2, ended);
    peaks.fillUpTo(samples.get(), static_cast<std::uint32_t>(produced / 2 / channels));
    bar.advance(produced, totalBytes);
    if (ended) break;
  }
  reader.reset();

  {
    // A resize the window system forces through reads the track under the lock.
    const ViewLock lock = ViewLock::take(app.viewMutex);
    const auto frameCount = static_cast<std::uint32_t>(produced / 2 / channels);
    peaks.finish(samples.get(), frameCount, app);
    app.samples = std::move(samples);
    app.frameCount = frameCount;
    app.channels = channels;
    app.stereo = channels == 2;
    app.sampleRate = audiofile::TRACK_RATE;
  }
  showNewTrack(ctx);
  endWorker(ctx);
}

}  // namespace app
