// What the load, save and record finishing workers share: starting one on its
// own thread while mode is Busy, its progress bar, its messages, showing the
// track it produced, and its last step, which hands the track back (mode
// Idle) and tells the window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/app_context.h"
#include "state/track_sizing.h"

namespace app {

// Starts `work` on a detached thread that counts as a running worker until
// endWorker. False when no thread could be started (nothing runs then).
bool startWorker(AppContext& ctx, std::function<void()> work);
// The worker's last step: mode Idle, and the window is told (it may be
// resized again). Nothing of `ctx` may be touched after it.
void endWorker(AppContext& ctx);
// Lets every worker finish its last step (teardown; a worker past mode Idle
// never waits for the UI thread).
void waitForWorkers(AppContext& ctx);

// The rate the track's samples run at, for a WAV header: the recording's
// driver rate, else the rate of every track read from a file.
std::uint32_t trackRate(const state::AppState& app);

// An error message box shown for a worker (error icon, over the main window).
void workerError(AppContext& ctx, const char* text, const char* caption);

// The save dialog's answer with ".wav" added when the chosen path has no dot
// at all (a dot in a folder's name counts).
std::string withSaveExtension(std::string path);

// The progress bar of one operation, drawn column by column into the
// progress box; takes viewMutex for each step.
class ProgressBar {
 public:
  explicit ProgressBar(AppContext& ctx) : ctx_(ctx) {}
  // Fills the bar up to `done` / `total` of its width.
  void advance(std::uint64_t done, std::uint64_t total);

 private:
  AppContext& ctx_;
  int columns_ = 0;
};

// The peak array of a new track, filled one group at a time as its frames
// become available.
class PeakFiller {
 public:
  PeakFiller(std::uint32_t frameCount, std::uint32_t channels, int initialPaneWidth);
  bool grouped() const { return array_.peaks != nullptr; }
  std::uint32_t framesPerPeak() const { return array_.framesPerPeak; }
  // Computes every group whose frames all lie within the first `frames`.
  void fillUpTo(const std::int16_t* samples, std::uint32_t frames);
  // Computes the group after the last full one over the frames left (when
  // groups remain) and hands the array to `app`.
  void finish(const std::int16_t* samples, std::uint32_t frames, state::AppState& app);

 private:
  state::PeakArray array_;
  std::uint32_t channels_;
  std::uint32_t groupsDone_ = 0;
};

// Shows the track now in `app` as a finished load does: the fit zoom, the
// scroll bar enabled, the progress box hidden, the waveform drawn, the focus
// on Play and the play cursor at the start.
void showNewTrack(AppContext& ctx);

// Hides the progress box.
void hideProgress(AppContext& ctx);
// Hides the progress box and leaves both panes empty (no track).
void showNoTrack(AppContext& ctx);

}  // namespace app
