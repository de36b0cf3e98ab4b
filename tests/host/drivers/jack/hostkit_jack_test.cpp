// Hostkit and its streams on the JACK driver, loaded through a catalogue as
// the application loads it, on private dummy servers: sample-exact loopback at
// 44100 Hz, the reset request of a period change or of a server killed under
// a playing stream reaching the application's handler, a missing server, and
// the default catalogue's order. (A tone through a 48000 Hz server:
// jack_driver_test.cpp.)
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_context.h"
#include "host/driver_list.h"
#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/loopback_exchange.h"
#include "host/test_catalogue.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using hosttest::Exchange;
using jacktest::JackPeer;
using jacktest::PrivateJackServer;
using jacktest::waitFor;

std::atomic<int> resetCalls{0};
std::atomic<void*> resetWindow{nullptr};
void onReset(void* window) {
  resetWindow.store(window);
  resetCalls.fetch_add(1);
}

template <typename F>
Clock::duration timed(F call) {
  const auto start = Clock::now();
  call();
  return Clock::now() - start;
}

class HostkitOnJack : public ::testing::Test {
 protected:
  hosttest::TempFolder folder;
  hosttest::ScopedEnv catalogueVariable{"CANTORA_DRIVER_CATALOGUE", nullptr};
  std::unique_ptr<Exchange> data;

  void SetUp() override { fresh(); }
  void fresh() {
    data = std::make_unique<Exchange>();
    Exchange::current() = data.get();
  }
  void TearDown() override {
    HostkitShutdown();
    host::resetHostForTesting();
    HostkitSetResetHandler(nullptr);
    Exchange::current() = nullptr;
  }
  // A catalogue whose only driver is the JACK driver with these settings.
  void useCatalogue(const std::string& settings) {
    const std::string path =
        folder.write("drivers.ini",
                     "[JACK Audio]\nclsid = {3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64}\n"
                     "description = JACK Audio\n" +
                         settings + "\n[classes]\n{3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64} = " +
                         CANTORA_JACK_DRIVER_PATH + "\n");
    setenv("CANTORA_DRIVER_CATALOGUE", path.c_str(), 1);
  }
  bool startStream(std::int32_t framesPerHeader) {
    const StreamConfig config{0, framesPerHeader, Exchange::send, Exchange::receive, 0, 0, 0};
    return StreamOpen(&config) && StreamPrime(0) && StreamStart(0);
  }
  // Opens the host on the JACK driver (44100 Hz presented whatever the server
  // runs at) and patches its outputs straight back to its inputs through `peer`.
  // The host buffer, 0 on failure.
  std::int32_t openLooped(const std::string& settings, JackPeer& peer) {
    useCatalogue(settings + "autoconnect = no\n");
    if (!HostkitInit(nullptr, 0) || HostkitStart(1, 6) != 1 || HostkitSampleRate() != 44100)
      return 0;
    if (!peer.ok() || !peer.connect("Cantora:out_1", "Cantora:in_1") ||
        !peer.connect("Cantora:out_2", "Cantora:in_2"))
      return 0;
    return HostkitBufferSize();
  }
  // Starts the host and a stream of 2-buffer headers on it, and waits for its
  // first input blocks.
  bool play(void* window, const std::string& settings, HostMode mode = 6) {
    useCatalogue(settings);
    return HostkitInit(window, 0) && HostkitStart(1, mode) == 1 &&
           startStream(2 * HostkitBufferSize()) &&
           waitFor([&] { return data->inputCalls.load() >= 3; }, 10s);
  }
};

TEST_F(HostkitOnJack, StreamLoopbackAt44100ReturnsEverySampleAfterAConstantLatency) {
  PrivateJackServer server(44100, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  for (const char* type : {"16", "17", "18"}) {
    SCOPED_TRACE(std::string("sample type ") + type);
    fresh();
    std::int32_t buffer = 0;
    {
      JackPeer peer;
      buffer = openLooped(std::string("sampletype = ") + type + "\n", peer);
      ASSERT_EQ(buffer, 512);
      // 16 headers of 4 buffers: 740 ms for a delivery thread held up by a
      // busy machine before a block would be lost
      ASSERT_TRUE(startStream(4 * buffer));
      EXPECT_TRUE(waitFor([&] { return data->inputCalls.load() >= 30; }, 20s));
      StreamStop(0);
    }
    StreamClose(0);
    HostkitShutdown();
    host::resetHostForTesting();

    const std::size_t latency = data->latency();
    // Input headers fill from the switch that plays the first output header;
    // what is played comes back one server period later.
    EXPECT_EQ(latency, static_cast<std::size_t>(buffer));
    ASSERT_GT(data->got[0].size(), latency + 17 * 4 * buffer) << "no refilled header came back";
    EXPECT_EQ(data->mismatches(latency), 0u);
    std::printf("stream loopback at 44100 Hz, sample type %s: %zu frames\n", type, latency);
  }
}

// A new server period while the program plays asks for a reset, and the
// stream runs on until the application restarts. The server dies while the
// program plays (duplex, as the program runs) or records into an input-only
// stream: the program hears of it as a reset request, the rate is no longer
// known, and every call stays prompt.
TEST_F(HostkitOnJack, PeriodChangeOrServerKilledDuringPlayOrRecordIsReported) {
  for (const HostMode mode : {6, 5}) {
    SCOPED_TRACE(mode);
    fresh();
    PrivateJackServer server(44100, 512);
    ASSERT_TRUE(server.ready()) << "jackd did not come up";
    int window = 0;
    resetCalls = 0;
    HostkitSetResetHandler(onReset);
    ASSERT_TRUE(play(&window, "autoconnect = yes\n", mode));
    {
      // autoconnect: the first two physical ports each way.
      JackPeer peer;
      ASSERT_TRUE(peer.ok());
      EXPECT_TRUE(peer.connected("Cantora:out_1", "system:playback_1"));
      EXPECT_TRUE(peer.connected("Cantora:out_2", "system:playback_2"));
      EXPECT_TRUE(peer.connected("system:capture_1", "Cantora:in_1"));
      EXPECT_TRUE(peer.connected("system:capture_2", "Cantora:in_2"));
      EXPECT_EQ(resetCalls.load(), 0);
      if (mode == 6) {
        ASSERT_TRUE(peer.setPeriod(1024));
        EXPECT_TRUE(waitFor([&] { return resetCalls.load() >= 1; }, 5s));
        EXPECT_EQ(resetWindow.load(), &window);
        const int seen = data->inputCalls.load();
        EXPECT_TRUE(waitFor([&] { return data->inputCalls.load() >= seen + 5; }, 10s));
        resetWindow = nullptr;
      }
    }
    const int requested = resetCalls.load();
    server.kill();
    EXPECT_TRUE(waitFor([&] { return resetCalls.load() > requested; }, 5s)) << "nobody was told";
    EXPECT_EQ(resetWindow.load(), &window);
    EXPECT_LT(timed([] { EXPECT_EQ(HostkitSampleRate(), 0); }), 1s);
    EXPECT_LT(timed([] { StreamStop(0); }), 1s);
    EXPECT_LT(timed([] { StreamClose(0); }), 1s);
    EXPECT_LT(timed([] { HostkitShutdown(); }), 1s);
    EXPECT_EQ(resetCalls.load(), requested + 1);
    host::resetHostForTesting();
  }
}

TEST_F(HostkitOnJack, MissingServerFailsInitAndTheDriverSaysWhy) {
  const std::string name = jacktest::uniqueServerName();
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
  useCatalogue("");
  EXPECT_LT(timed([] { EXPECT_FALSE(HostkitInit(nullptr, 0)); }), 5s);
  // the driver's own reason reaches the application
  const std::string text = HostkitErrorText();
  EXPECT_NE(text.find("\"" + name + "\""), std::string::npos) << text;
  EXPECT_NE(text.find("is not running"), std::string::npos) << text;
}

TEST_F(HostkitOnJack, DefaultCatalogueListsTheJackDriverAfterTheVirtualDevice) {
  // The catalogue the build wrote (the fixture unset the variable), not a
  // user's.
  const hosttest::ScopedEnv configHome("XDG_CONFIG_HOME", folder.path().c_str());
  char names[2048] = {};
  ASSERT_EQ(HostkitListDevices(names, sizeof names), 2);
  EXPECT_STREQ(names, "Virtual Audio Device");
  EXPECT_STREQ(names + std::strlen(names) + 1, "JACK Audio");
}

}  // namespace
