// Every allocation of the host's part fails once, in turn: choosing the
// virtual device through the device dialog (the driver catalogue, the driver
// loaded and opened, its buffers and port, the stream opened), playing a
// track (the stream primed and started, the delivery thread), Stop, and the
// teardown closing the stream and the driver. The window never sees an
// exception; a device that could not be set up leaves no stream, and Play
// then says so; whatever was set up plays and stops; nothing leaks.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "failing_allocator.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/test_catalogue.h"
#include "state/track_sizing.h"
#include "swept_window.h"
#include "view/pane_background.h"
#include "view/view_constants.h"
#include "view/waveform_renderer.h"

namespace {

using faulttest::Outcome;
using namespace std::chrono_literals;
using state::TransportMode;

constexpr std::uint32_t TRACK_FRAMES = 44100;

// The main window with a mono track, the device dialog's answer ready.
struct Window : faulttest::SweptWindow {
  bool deviceReady = false;
  bool played = false;

  Window() {
    app.samples.reset(new std::int16_t[TRACK_FRAMES]);
    for (std::uint32_t f = 0; f < TRACK_FRAMES; ++f)
      app.samples[f] = static_cast<std::int16_t>(12000 * std::sin(0.01 * f));
    app.frameCount = TRACK_FRAMES;
    app.channels = 1;
    app.fitFramesPerPixel = app.framesPerPixel =
        state::fitZoom(TRACK_FRAMES, window.trackView().geometry.paneWidth());
    view::paintBackgrounds(window.trackView(), app, true);
    view::renderTrack(window.trackView(), app);
    shell.deviceAnswers.push_back(0);
  }

  // Device, Play until the device ran a few blocks, Stop, and the teardown.
  void run() {
    window.onCommand(app::CMD_SELECT_DEVICE);
    deviceReady = app.streamReady;
    window.onCommand(view::ID_PLAY);
    if (app.mode == TransportMode::Playing) {
      runUntil([this] { return app.deviceFrames >= 4 * app.blockFrames; }, 5s);
      played = app.deviceFrames >= 4 * app.blockFrames;
      window.onCommand(view::ID_STOP);
      runUntil([this] { return app.mode == TransportMode::Idle; }, 5s);
    }
    window.onDestroy();
  }
};

TEST(HostAllocationFailure, TheDeviceIsSetUpAndPlaysOrPlaySaysThereIsNone) {
  hosttest::TempFolder folder;
  hosttest::ScopedEnv catalogue(
      "CANTORA_DRIVER_CATALOGUE",
      folder
          .write("drivers.ini",
                 hosttest::virtualCatalogue("pacing = fast\nspeed = 8\nsampletype = 16\n"))
          .c_str());
  std::unique_ptr<Window> w;
  int noDevice = 0;
  faulttest::sweepAllocations(
      "device, play, stop and teardown",
      {[&] {
         w.reset();
         host::resetHostForTesting();
         HostkitSetResetHandler(nullptr);
         w = std::make_unique<Window>();
       },
       [&] { w->run(); },
       [&] {
         EXPECT_EQ(w->app.mode, TransportMode::Idle);
         EXPECT_FALSE(w->app.streamReady) << "the teardown closes the stream";
         EXPECT_TRUE(w->shell.violations.empty()) << w->shell.violations.front();
         if (w->played) {
           EXPECT_TRUE(w->shell.messageBoxes.empty());
           return Outcome::Survived;
         }
         std::vector<std::string> texts;
         for (const auto& box : w->shell.messageBoxes) texts.push_back(box.text);
         if (w->deviceReady) {
           // The stream refused to start: Play posted Stop, and the
           // transport is back to Idle.
           EXPECT_TRUE(texts.empty());
           return Outcome::RefusedQuietly;
         }
         // No stream to play on: Play says so, and nothing else happened.
         EXPECT_EQ(texts, std::vector<std::string>{app::MSG_SELECT_DEVICE_FIRST});
         ++noDevice;
         return Outcome::Refused;
       }});
  w.reset();
  host::resetHostForTesting();
  EXPECT_GT(noDevice, 0);
}

}  // namespace
