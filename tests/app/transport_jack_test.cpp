// The transport on the JACK driver, on a private dummy server: the device
// chosen through the dialog, a track played to its end, and the driver's reset
// request reaching the window. (Input sample for sample on JACK: the host's
// JACK tests; the recording's order on any driver: the transport test.)
#include <gtest/gtest.h>

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

}  // namespace
