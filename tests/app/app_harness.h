// A main window over the headless Shell with a track placed in memory, and a
// fake audio host that logs its calls, for the application's tests.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/transport_host.h"
#include "state/track_sizing.h"
#include "support/headless_shell.h"
#include "view/pane_background.h"
#include "view/view_constants.h"
#include "view/waveform_renderer.h"

namespace apptest {

// Logs each call, and whether the track still existed at that moment.
class FakeHost : public app::TransportHost {
 public:
  FakeHost(std::vector<std::string>& log, const state::AppState& app) : log_(log), app_(app) {}
  bool streamPrime() override {
    note("prime");
    return true;
  }
  bool streamStart() override {
    note("start");
    return true;
  }
  void streamStop() override { note("stop"); }
  void streamPause() override { note("pause"); }
  void streamResume() override { note("resume"); }
  void streamClose() override { note("close"); }
  void hostShutdown() override { note("shutdown"); }

 private:
  void note(const char* what) {
    log_.push_back(std::string(what) + (app_.samples ? "+track" : ""));
  }
  std::vector<std::string>& log_;
  const state::AppState& app_;
};

// Holds viewMutex on another thread for as long as it lives, as a drawing
// thread does.
class ViewHeld {
 public:
  explicit ViewHeld(std::timed_mutex& mutex)
      : holder_([this, &mutex] {
          std::lock_guard lock(mutex);
          held_ = true;
          while (!done_) std::this_thread::yield();
        }) {
    while (!held_) std::this_thread::yield();
  }
  ~ViewHeld() {
    done_ = true;
    holder_.join();
  }

 private:
  std::atomic<bool> held_{false}, done_{false};
  std::thread holder_;
};

struct Harness {
  state::AppState app;
  testsupport::HeadlessShell shell;
  app::MainWindow window{app, shell};
  std::vector<std::chrono::milliseconds> waits;
  std::vector<std::string> hostLog;

  explicit Harness(app::Size client = {800, 400}) {
    shell.setClientSize(client);
    window.setSettleWait([this](std::chrono::milliseconds ms) { waits.push_back(ms); });
    created = window.onCreate();
  }

  bool created = false;
  app::AppContext& ctx() { return window.context(); }
  view::TrackView& view() { return window.trackView(); }
  const view::Rect& paneA() { return view().geometry.paneA; }
  int paneWidth() { return view().geometry.paneWidth(); }

  // A sine track, drawn at the fit zoom as a load leaves it.
  void loadTrack(std::uint32_t frames, std::uint32_t channels = 1) {
    app.samples.reset(new std::int16_t[static_cast<std::size_t>(frames) * channels]);
    for (std::uint32_t f = 0; f < frames; ++f)
      for (std::uint32_t c = 0; c < channels; ++c)
        app.samples[f * channels + c] =
            static_cast<std::int16_t>(12000 * std::sin(0.01 * f + 1.3 * c));
    app.frameCount = frames;
    app.channels = channels;
    app.stereo = channels == 2;
    app.fitFramesPerPixel = app.framesPerPixel = state::fitZoom(frames, paneWidth());
    view::paintBackgrounds(view(), app, true);
    view::renderTrack(view(), app);
  }

  // A stereo track of steady tones, drawn: A4 (440 Hz) on the first channel,
  // 450 Hz (39 cents sharp) on the second.
  void loadTones(std::uint32_t frames) {
    loadTrack(frames, 2);
    for (std::uint32_t f = 0; f < frames; ++f)
      for (int c = 0; c < 2; ++c)
        app.samples[2 * f + c] = static_cast<std::int16_t>(
            12000 * std::sin(2 * std::numbers::pi * (c == 0 ? 440.0 : 450.0) * f / 44100.0));
    view::paintBackgrounds(view(), app, true);
    view::renderTrack(view(), app);
  }

  // Waits (at most `limit`) until every file worker has ended, then hands the
  // window the commands posted meanwhile, as its message loop would. False
  // when a worker is still running.
  bool finishWorkers(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (ctx().workersRunning.load() > 0) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while (const std::optional<int> id = shell.takePosted(std::chrono::milliseconds(0)))
      window.onCommand(*id);
    return true;
  }

  // A ready stream over the fake host.
  void readyStream() {
    app.streamReady = true;
    app.driverOpen = true;
    app.deviceIndex = 0;
    app.blockFrames = 2048;
    app.blocksPerChunk = 256;
    window.setTransportHost(std::make_unique<FakeHost>(hostLog, app));
  }

  void select(std::uint32_t start, std::uint32_t end) {
    app.selActive = true;
    app.selStart = start;
    app.selEnd = end;
  }

  // Pixels of pane A's row `y` in the band (selected background) colour.
  int selectedColumns() {
    int n = 0;
    const view::Rect& p = paneA();
    for (int x = p.left; x < p.right; ++x)
      n += view().image.pixel(x, p.top) == view::COLOUR_PANE_SELECTED ? 1 : 0;
    return n;
  }
  bool columnSelected(int x) {
    return view().image.pixel(x, paneA().top) == view::COLOUR_PANE_SELECTED;
  }
};

}  // namespace apptest
