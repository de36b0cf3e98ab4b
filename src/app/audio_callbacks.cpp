#include "app/audio_callbacks.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "app/scrolling.h"
#include "app/view_lock.h"
#include "app/window_layout.h"
#include "view/column_mapping.h"
#include "view/live_display.h"
#include "view/play_cursor.h"
#include "view/view_constants.h"

namespace app {

namespace {

std::atomic<AppContext*> audioContext{nullptr};

// The cursor is drawn only when the view shows at least this many blocks;
// closer in it would jump further than it is wide.
constexpr std::uint32_t CURSOR_MIN_BLOCKS_IN_VIEW = 16;

struct PlaybackRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;  // exclusive
};

// The selection, else the whole track; never past the track's end.
PlaybackRange playbackRange(const state::AppState& app) {
  PlaybackRange r{0, app.frameCount};
  if (app.selActive) r = {app.selStart, std::min(app.selEnd, app.frameCount)};
  if (r.start > r.end) r.start = r.end;
  return r;
}

void silence(std::int16_t* block, std::uint32_t n) {
  std::memset(block, 0, static_cast<std::size_t>(n) * 2 * sizeof(std::int16_t));
}

// Copies `frames` frames from track frame `from` to block position `at` of
// both planar halves (a mono track goes to both).
void copyFrames(const state::AppState& app, std::int16_t* block, std::uint32_t n, std::uint32_t at,
                std::uint32_t from, std::uint32_t frames) {
  std::int16_t* left = block + at;
  std::int16_t* right = block + n + at;
  const std::int16_t* samples = app.samples.get();
  if (app.stereo) {
    const std::int16_t* src = samples + 2 * static_cast<std::size_t>(from);
    for (std::uint32_t i = 0; i < frames; ++i) {
      left[i] = src[2 * i];
      right[i] = src[2 * i + 1];
    }
  } else {
    std::memcpy(left, samples + from, frames * sizeof(std::int16_t));
    std::memcpy(right, samples + from, frames * sizeof(std::int16_t));
  }
}

void postStop(AppContext& ctx) {
  ctx.shell.postCommand(view::ID_STOP);
}

// The view part of the follow step, with viewMutex held.
void followView(AppContext& ctx, bool wrapped) {
  state::AppState& app = ctx.app;
  bool redraw = true;
  if (wrapped) {
    if (app.selActive) {
      if (showSelectionStart(ctx)) redraw = false;
    } else {
      scrollTo(ctx, 0);
      redraw = false;
    }
  }
  const int width = ctx.paneWidth();
  if (width <= 0 || app.framesPerPixel == 0) return;
  const bool fit = view::atFitZoom(app);
  const double perColumn =
      fit ? static_cast<double>(app.frameCount) / width : static_cast<double>(app.framesPerPixel);
  const auto visible = static_cast<std::uint64_t>(std::floor(perColumn * width));
  const std::uint32_t cursor = app.cursorPos;
  const std::uint32_t block = app.blockFrames;
  std::uint64_t first = static_cast<std::uint64_t>(app.scrollPos) * app.framesPerPixel;
  if (!fit && !wrapped) {
    if (cursor < first) {
      scrollTo(ctx, static_cast<int>(cursor / app.framesPerPixel));
    } else if (cursor > first + visible && first + visible < app.frameCount) {
      // Whole panes, or whole blocks when a block is wider than the pane.
      scrollBy(ctx, visible < block ? static_cast<int>(std::floor(block / perColumn)) : width);
    } else if (redraw) {
      view::erasePlayCursor(ctx.view, app, ctx.shell);
    }
  } else if (redraw) {
    view::erasePlayCursor(ctx.view, app, ctx.shell);
  }
  if (visible < std::uint64_t{CURSOR_MIN_BLOCKS_IN_VIEW} * block) return;
  first = static_cast<std::uint64_t>(app.scrollPos) * app.framesPerPixel;
  const view::Rect& pane = ctx.paneA();
  const int x =
      cursor >= first ? static_cast<int>(std::floor((cursor - first) / perColumn)) + pane.left : 0;
  if (x >= pane.left && x < pane.right) view::drawPlayCursor(ctx.view, app, ctx.shell, x);
}

}  // namespace

void setAudioContext(AppContext* ctx) {
  audioContext.store(ctx);
}

std::int32_t OutputCallback(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  const std::uint32_t n = bytesPerChannel / 2;
  AppContext* ctx = audioContext.load();
  if (ctx == nullptr || ctx->app.recording || !ctx->app.hasTrack()) {
    silence(block, n);
    return 0;
  }
  state::AppState& app = ctx->app;
  const PlaybackRange range = playbackRange(app);
  const bool looping = app.loop;
  const std::uint32_t pos = app.playPos;
  std::uint32_t from = 0;
  std::uint32_t left = 0;
  if (pos < range.end) {
    from = pos;
    left = range.end - pos;
  } else if (looping && range.end > range.start) {
    from = range.start;
    left = range.end - range.start;
  } else {
    silence(block, n);
    if (app.follow) FollowCursor(*ctx);
    return 0;
  }
  if (left >= n) {
    copyFrames(app, block, n, 0, from, n);
    app.playPos = from + n;
  } else {
    silence(block, n);
    copyFrames(app, block, n, 0, from, left);
    if (looping) {
      // The wrap happens inside the block. A range shorter than the rest of
      // the block repeats as often as it takes, never read past its end.
      const std::uint32_t length = range.end - range.start;
      std::uint32_t at = left;
      std::uint32_t last = 0;
      while (at < n && length > 0) {
        last = std::min(length, n - at);
        copyFrames(app, block, n, at, range.start, last);
        at += last;
      }
      app.playPos = range.start + last;
    } else {
      app.playPos = range.end;
    }
  }
  if (app.follow) FollowCursor(*ctx);
  return 0;
}

void FollowCursor(AppContext& ctx) {
  state::AppState& app = ctx.app;
  const PlaybackRange range = playbackRange(app);
  const std::uint32_t block = app.blockFrames;
  const bool looping = app.loop;
  std::uint32_t cur = app.cursorPos;
  bool wrapped = false;
  bool stop = false;
  std::uint32_t left = 0;
  if (cur >= range.end) {
    if (looping) {
      cur = range.start;
      wrapped = true;
      left = range.end - range.start;
    }
  } else {
    left = range.end - cur;
  }
  if (left >= block) {
    app.cursorPos = cur + block;
  } else if (looping && range.end > range.start) {
    // Past the end by the rest of the block, within a range shorter than a
    // block too.
    app.cursorPos = range.start + (block - left) % (range.end - range.start);
    wrapped = true;
  } else {
    app.follow = false;
    app.cursorPos = cur + left;
    stop = true;
  }
  if (ViewLock lock = ViewLock::tryTake(app.viewMutex)) {
    if (layoutOutdated(ctx)) {
      // The window was resized while audio ran: a worker lays it out again
      // once the view is free; this block draws nothing.
      lock.release();
      startRelayoutThread(ctx);
    } else {
      followView(ctx, wrapped);
    }
  }
  if (stop) postStop(ctx);
}

std::int32_t InputCallback(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  const std::uint32_t n = bytesPerChannel / 2;
  AppContext* ctx = audioContext.load();
  if (ctx == nullptr) return 0;
  state::AppState& app = ctx->app;
  app.deviceFrames.fetch_add(n);
  if (!app.recording) return 0;
  state::RecordChunkList& chunks = app.chunks;
  if (chunks.head == nullptr) {
    // A recording whose memory ran out has ended; only its Stop is pending.
    if (app.spoolToFile) return 0;
    {
      if (ViewLock lock = ViewLock::tryTake(app.viewMutex)) view::beginLiveDisplay(ctx->view);
    }
    if (app.frameCount != 0) app.frameCount = 0;
    app.chunkCount = 0;
    state::RecordChunk* first = ctx->allocateChunk(app.blocksPerChunk, app.blockFrames);
    if (first == nullptr) {
      postStop(*ctx);
      return 0;
    }
    chunks.append(first);
    app.chunkCount = 1;
  } else {
    state::RecordChunk* current = chunks.current;
    if (current == nullptr) return 0;
    if (current->blocksUsed == app.blocksPerChunk) {
      if (app.chunkCount == app.maxChunks) {
        postStop(*ctx);
        return 0;
      }
      state::RecordChunk* next = ctx->allocateChunk(app.blocksPerChunk, app.blockFrames);
      if (next == nullptr) {
        // Memory ran out: the full chunk goes too, so the finished recording
        // has room to be written to a file instead of held in memory.
        chunks.dropCurrent();
        app.chunkCount.fetch_sub(1);
        app.spoolToFile = true;
        postStop(*ctx);
        return 0;
      }
      chunks.append(next);
      app.chunkCount.fetch_add(1);
    }
  }
  state::RecordChunk* chunk = chunks.current;
  // A chunk has room for blockFrames per block; the host's blocks are that long.
  const std::uint32_t frames = std::min(n, app.blockFrames);
  const std::size_t at = static_cast<std::size_t>(chunk->blocksUsed) * app.blockFrames;
  std::memcpy(chunk->left.get() + at, block, frames * sizeof(std::int16_t));
  std::memcpy(chunk->right.get() + at, block + n, frames * sizeof(std::int16_t));
  ++chunk->blocksUsed;
  std::int32_t peak = 0;
  for (std::uint32_t i = 0; i < frames; ++i)
    peak = std::max({peak, std::abs(std::int32_t{block[i]}), std::abs(std::int32_t{block[n + i]})});
  app.inputPeak = peak;
  if (ViewLock lock = ViewLock::tryTake(app.viewMutex))
    view::addLiveBlock(ctx->view, app, ctx->shell, chunk->left.get() + at, chunk->right.get() + at,
                       frames);
  return 0;
}

}  // namespace app
