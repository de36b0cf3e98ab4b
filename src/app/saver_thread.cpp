#include "app/saver_thread.h"

#include <algorithm>

#include "app/app_constants.h"
#include "app/file_worker.h"
#include "audiofile/staged_wav_file.h"

namespace app {

namespace {

// Bytes of one channel in each piece handed to the writer.
constexpr std::uint64_t PIECE_BYTES_PER_CHANNEL = 1024;

}  // namespace

void SaverThread(AppContext& ctx, const std::string& path) {
  const state::AppState& app = ctx.app;
  audiofile::StagedWavFile file;
  if (!file.create(path, app.channels, trackRate(app))) {
    hideProgress(ctx);
    workerError(ctx, MSG_CANNOT_CREATE, CAPTION_CREATE_ERROR);
    return endWorker(ctx);
  }

  const bool selection = app.selActive && app.selEnd > app.selStart;
  const std::uint64_t first = selection ? app.selStart : 0;
  const std::uint64_t frames = selection ? app.selEnd - app.selStart : app.frameCount;
  const std::uint64_t total = frames * app.channels * 2;
  const auto* bytes =
      reinterpret_cast<const unsigned char*>(app.samples.get()) + first * app.channels * 2;
  const std::uint64_t pieceBytes = app.channels * PIECE_BYTES_PER_CHANNEL;
  ProgressBar bar(ctx);
  bool written = true;
  for (std::uint64_t done = 0; done < total && written; done += pieceBytes) {
    const auto size = static_cast<std::uint32_t>(std::min(pieceBytes, total - done));
    written = file.write(bytes + done, size);
    bar.advance(done + size, total);
  }
  bar.advance(1, 1);
  written = file.commit() && written;
  hideProgress(ctx);
  if (!written) workerError(ctx, MSG_CANNOT_WRITE, CAPTION_CREATE_ERROR);
  endWorker(ctx);
}

}  // namespace app
