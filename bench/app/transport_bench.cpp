// The transport's audio path, timed: OutputCallback with its follow step and
// InputCallback per block of 2048 frames, each as a share of the block's
// duration at 44100 Hz (the time the delivery thread has for it), and the
// time from a click of Stop to Idle while the virtual device plays in real
// time (the stream stopped and its delivery thread joined).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "app/audio_callbacks.h"
#include "app/main_window.h"
#include "app/windowless_shell.h"
#include "state/track_sizing.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t BLOCK = 2048;
constexpr double RATE = 44100.0;
constexpr double BLOCK_SECONDS = BLOCK / RATE;

struct Window {
  state::AppState app;
  app::WindowlessShell shell{0, nullptr};
  app::MainWindow window{app, shell};
  Window() {
    window.setSettleWait([](std::chrono::milliseconds) {});
    window.onCreate();
  }
  ~Window() { window.onDestroy(); }
};

void placeTrack(Window& w, std::uint32_t frames) {
  state::AppState& app = w.app;
  app.samples.reset(new std::int16_t[std::size_t{frames} * 2]);
  for (std::uint32_t i = 0; i < frames * 2; ++i)
    app.samples[i] = static_cast<std::int16_t>(9000 * std::sin(0.013 * i));
  app.frameCount = frames;
  app.channels = 2;
  app.stereo = true;
  app.fitFramesPerPixel = state::fitZoom(frames, w.window.context().paneWidth());
}

// Seconds per call of `step`, over at least `rounds` calls and 0.3 s.
template <class Step>
double perCall(int rounds, Step step) {
  int n = 0;
  const auto start = Clock::now();
  double elapsed = 0.0;
  while (n < rounds || elapsed < 0.3) {
    step();
    ++n;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return elapsed / n;
}

void outputCost() {
  std::vector<std::int16_t> block(2 * BLOCK);
  for (const std::uint32_t framesPerPixel : {0u, 256u}) {
    Window w;
    placeTrack(w, 10 * 60 * 44100);
    state::AppState& app = w.app;
    // The fit zoom, or zoomed in as the user does until the view turns a page
    // every hundred blocks or so.
    app.framesPerPixel = app.fitFramesPerPixel;
    while (app.framesPerPixel > framesPerPixel && framesPerPixel != 0)
      w.window.onCommand(app::CMD_ZOOM_IN);
    app.blockFrames = BLOCK;
    app.loop = true;
    app.follow = true;
    app.mode = state::TransportMode::Looping;
    app::setAudioContext(&w.window.context());
    const double seconds = perCall(2000, [&] { app::OutputCallback(block.data(), BLOCK * 2, 0); });
    app::setAudioContext(nullptr);
    std::printf("OutputCallback + FollowCursor, %s: %.2f us per block, %.3f%% of the block\n",
                framesPerPixel == 0 ? "fit zoom" : "256 frames a column", seconds * 1e6,
                100.0 * seconds / BLOCK_SECONDS);
  }
}

void inputCost() {
  Window w;
  state::AppState& app = w.app;
  app.blockFrames = BLOCK;
  app.blocksPerChunk = 256;
  app.maxChunks = 303;
  app.recording = true;
  app.mode = state::TransportMode::Recording;
  std::vector<std::int16_t> block(2 * BLOCK);
  for (std::uint32_t i = 0; i < 2 * BLOCK; ++i)
    block[i] = static_cast<std::int16_t>(7000 * std::sin(0.02 * i));
  app::setAudioContext(&w.window.context());
  // A few chunks' worth, so the allocation of a chunk every 256 blocks counts.
  int blocks = 0;
  const auto start = Clock::now();
  for (; blocks < 1024; ++blocks) app::InputCallback(block.data(), BLOCK * 2, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count() / blocks;
  app::setAudioContext(nullptr);
  std::printf(
      "InputCallback (live display, a chunk every 256 blocks): %.2f us per block, "
      "%.3f%% of the block\n",
      seconds * 1e6, 100.0 * seconds / BLOCK_SECONDS);
}

void stopToIdle() {
  const std::string catalogue = "/tmp/cantora-transport-bench.ini";
  std::ofstream(catalogue)
      << "[Virtual Audio Device]\n"
         "clsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\n"
         "description = Virtual Audio Device\ninput = silence\n"
         "[classes]\n{6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13} = " CANTORA_VIRTUAL_DRIVER "\n";
  setenv("CANTORA_DRIVER_CATALOGUE", catalogue.c_str(), 1);
  Window w;
  w.window.onCommand(app::CMD_SELECT_DEVICE);
  if (!w.app.streamReady) {
    std::printf("Stop to Idle: the virtual device did not open\n");
    return;
  }
  placeTrack(w, 60 * 44100);
  w.app.framesPerPixel = w.app.fitFramesPerPixel;
  std::vector<double> times;
  for (int i = 0; i < 15; ++i) {
    w.window.onCommand(app::CMD_PLAY);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto start = Clock::now();
    w.window.onCommand(app::CMD_STOP);
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "Stop to Idle while playing in real time: median %.2f ms, worst %.2f ms "
      "(%.1f%% and %.1f%% of a block)\n",
      times[times.size() / 2] * 1e3, times.back() * 1e3,
      100.0 * times[times.size() / 2] / BLOCK_SECONDS, 100.0 * times.back() / BLOCK_SECONDS);
  std::remove(catalogue.c_str());
}

}  // namespace

int main() {
  outputCost();
  inputCost();
  stopToIdle();
  return 0;
}
