// The transport on the JACK driver, on a private dummy server: the device
// chosen through the dialog, a track played to its end, the driver's reset
// request reaching the window, and the server killed under a loop and a
// recording. (Input sample for sample on JACK: the host's JACK tests; the
// recording's order: the app soak's recording.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/device_harness.h"
#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"

namespace {

using namespace std::chrono_literals;
using state::TransportMode;

std::string jackCatalogue() {
  return "[JACK Audio]\nclsid = {3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64}\n"
         "description = JACK Audio\nautoconnect = no\n"
         "\n[classes]\n{3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64} = " CANTORA_JACK_DRIVER_PATH "\n";
}

TEST(TransportOnJack, SelectsPlaysAndHandsTheResetRequestToTheWindow) {
  jacktest::PrivateJackServer server(44100, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  apptest::DeviceHarness d;
  ASSERT_TRUE(d.open(jackCatalogue()));
  apptest::Harness& h = *d.h;
  EXPECT_EQ(h.app.driverRate, 44100u);
  EXPECT_EQ(h.app.blockFrames, 2048u);

  h.loadTrack(22050, 2);
  d.click(view::ID_PLAY);
  EXPECT_EQ(h.app.mode, TransportMode::Playing);
  ASSERT_TRUE(d.runUntilIdle(20s)) << "the end of the track posts Stop";
  // The input side may be a block behind the output whose end posted Stop.
  EXPECT_GE(h.app.deviceFrames + h.app.blockFrames, 22050u);

  // A new server period makes the driver ask for a reset: the window is told
  // through a posted message and answers only with its advice.
  jacktest::JackPeer peer;
  ASSERT_TRUE(peer.setPeriod(1024));
  ASSERT_TRUE(jacktest::waitFor([&] { return h.shell.count("postDriverReset") > 0; }, 5s));
  h.window.onDriverReset();
  ASSERT_FALSE(h.shell.messageBoxes.empty());
  EXPECT_EQ(h.shell.messageBoxes.back().text, app::MSG_DRIVER_RESET);
}

template <typename F>
std::chrono::steady_clock::duration timed(F call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::steady_clock::now() - start;
}

// The server dies in the middle of a loop or a recording: the window hears of
// it through the driver's reset request and shows its advice, every click
// returns promptly, Stop brings the transport back to Idle, and a recording
// keeps every block that arrived before the server went.
TEST(TransportOnJack, ServerKilledDuringPlayOrRecordLeavesTheWindowResponsiveAndStopIdle) {
  for (const int start : {view::ID_LOOP, view::ID_RECORD}) {
    const bool recording = start == view::ID_RECORD;
    SCOPED_TRACE(recording ? "record" : "loop");
    jacktest::PrivateJackServer server(44100, 512);
    ASSERT_TRUE(server.ready()) << "jackd did not come up";
    apptest::DeviceHarness d;
    ASSERT_TRUE(d.open(jackCatalogue()));
    apptest::Harness& h = *d.h;
    h.loadTrack(441000, 2);
    apptest::Finished finished;
    apptest::catchRecording(h, finished);
    d.click(start);
    ASSERT_TRUE(d.runFor(8 * 2048));
    const std::uint64_t beforeKill = h.app.deviceFrames;
    server.kill();
    ASSERT_TRUE(jacktest::waitFor([&] { return h.shell.count("postDriverReset") > 0; }, 5s))
        << "the window was not told";
    EXPECT_LT(timed([&] { h.window.onDriverReset(); }), 1s);
    ASSERT_FALSE(h.shell.messageBoxes.empty());
    EXPECT_EQ(h.shell.messageBoxes.back().text, app::MSG_DRIVER_RESET);
    // The clicks a user would try on a silent program, each prompt.
    std::chrono::steady_clock::duration slowest{};
    const auto click = [&](int id) {
      const auto took = timed([&] { d.click(id); });
      slowest = std::max(slowest, took);
      EXPECT_LT(took, 1s) << "button " << id;
    };
    click(view::ID_PAUSE);
    click(view::ID_PAUSE);
    if (!recording) click(view::ID_ZOOM_IN);
    click(view::ID_STOP);
    ASSERT_TRUE(h.finishWorkers(10s));
    EXPECT_EQ(h.app.mode, TransportMode::Idle);
    EXPECT_TRUE(h.shell.buttons[view::ID_PLAY].enabled);
    if (recording) {
      ASSERT_EQ(finished.calls, 1);
      EXPECT_GE(finished.audio.size(), beforeKill) << "what arrived before the kill is kept";
    }
    // Play on the dead driver starts a stream that never calls back; Stop
    // still ends it.
    click(view::ID_PLAY);
    click(view::ID_STOP);
    EXPECT_EQ(h.app.mode, TransportMode::Idle);
    EXPECT_LT(timed([&] { d.close(); }), 2s) << "the teardown on a dead server";
    if (recording)
      std::printf("server killed while recording: %llu frames in before the kill, %zu kept; ",
                  static_cast<unsigned long long>(beforeKill), finished.audio.size());
    else
      std::printf("server killed while looping: ");
    std::printf("slowest click %.1f ms\n",
                std::chrono::duration<double, std::milli>(slowest).count());
  }
}

}  // namespace
