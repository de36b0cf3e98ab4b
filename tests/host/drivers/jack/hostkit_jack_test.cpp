// Hostkit and its streams on the JACK driver, loaded through a catalogue as
// the application loads it, on private dummy servers: sample-exact loopback at
// 44100 Hz, a tone through a 48000 Hz server, the reset request reaching the
// application's handler, a server killed under a playing stream, a missing
// server, and the default catalogue's order.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_context.h"
#include "host/driver_list.h"
#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"
#include "host/drivers/jack/tone_fit.h"
#include "host/host_state.h"
#include "host/hostkit.h"
#include "support/test_signals.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using jacktest::JackPeer;
using jacktest::PrivateJackServer;

// What the stream sent and received, per channel; the output callback plays
// either a sequence that is never zero or a 1 kHz tone.
struct Exchange {
  bool tone = false;
  std::vector<std::int16_t> sent[2], got[2];
  std::atomic<int> inputCalls{0};
  std::uint32_t next = 0;
};
Exchange* exchange = nullptr;

std::int16_t sequenceAt(std::uint32_t n, int channel) {
  const auto v = static_cast<std::int16_t>(1 + (n * 7919u + (channel != 0 ? 4111u : 13u)) % 30000u);
  return channel != 0 ? static_cast<std::int16_t>(-v) : v;
}

std::int32_t send(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  const std::uint32_t frames = bytesPerChannel / 2;
  for (std::uint32_t i = 0; i < frames; ++i, ++exchange->next) {
    for (int c = 0; c < 2; ++c) {
      const std::int16_t v =
          exchange->tone ? testsignals::toSample(12000.0 * std::sin(2 * std::numbers::pi * 1000.0 *
                                                                    exchange->next / 44100.0))
                         : sequenceAt(exchange->next, c);
      block[c * frames + i] = v;
      exchange->sent[c].push_back(v);
    }
  }
  return 0;
}

std::int32_t receive(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
  const std::uint32_t frames = bytesPerChannel / 2;
  for (int c = 0; c < 2; ++c)
    exchange->got[c].insert(exchange->got[c].end(), block + c * frames, block + (c + 1) * frames);
  exchange->inputCalls.fetch_add(1);
  return 0;
}

std::atomic<int> resetCalls{0};
std::atomic<void*> resetWindow{nullptr};
void onReset(void* window) {
  resetWindow.store(window);
  resetCalls.fetch_add(1);
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

template <typename F>
Clock::duration timed(F call) {
  const auto start = Clock::now();
  call();
  return Clock::now() - start;
}

class HostkitOnJack : public ::testing::Test {
 protected:
  std::string folder;
  Exchange data;

  void SetUp() override {
    char pattern[] = "/tmp/cantora-jack-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    folder = made != nullptr ? made : "";
    exchange = &data;
  }
  void TearDown() override {
    HostkitShutdown();
    host::resetHostForTesting();
    unsetenv("CANTORA_DRIVER_CATALOGUE");
    HostkitSetResetHandler(nullptr);
    exchange = nullptr;
    if (!folder.empty()) {
      std::remove((folder + "/drivers.ini").c_str());
      std::remove(folder.c_str());
    }
  }
  // A catalogue whose only driver is the JACK driver with these settings.
  std::string useCatalogue(const std::string& settings) {
    const std::string path = folder + "/drivers.ini";
    std::ofstream(path) << "[JACK Audio]\nclsid = {3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64}\n"
                           "description = JACK Audio\n"
                        << settings << "\n[classes]\n{3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64} = "
                        << CANTORA_JACK_DRIVER_PATH << "\n";
    setenv("CANTORA_DRIVER_CATALOGUE", path.c_str(), 1);
    return path;
  }
  bool startStream(std::int32_t framesPerHeader) {
    const StreamConfig config{0, framesPerHeader, send, receive, 0, 0, 0};
    return StreamOpen(&config) && StreamPrime(0) && StreamStart(0);
  }
};

TEST_F(HostkitOnJack, StreamLoopbackAt44100ReturnsEverySampleAfterAConstantLatency) {
  PrivateJackServer server(44100, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  for (const char* type : {"16", "17", "18"}) {
    SCOPED_TRACE(std::string("sample type ") + type);
    data.~Exchange();
    new (&data) Exchange;
    useCatalogue(std::string("sampletype = ") + type + "\nautoconnect = no\n");
    ASSERT_TRUE(HostkitInit(nullptr, 0));
    ASSERT_EQ(HostkitStart(1, 6), 1);
    EXPECT_EQ(HostkitSampleRate(), 44100);
    const std::int32_t buffer = HostkitBufferSize();
    ASSERT_EQ(buffer, 512);
    {
      JackPeer peer;
      ASSERT_TRUE(peer.ok());
      ASSERT_TRUE(peer.connect("Cantora:out_1", "Cantora:in_1"));
      ASSERT_TRUE(peer.connect("Cantora:out_2", "Cantora:in_2"));
      ASSERT_TRUE(startStream(2 * buffer));
      EXPECT_TRUE(waitFor([&] { return data.inputCalls.load() >= 60; }, 20s));
      StreamStop(0);
    }
    StreamClose(0);
    HostkitShutdown();
    host::resetHostForTesting();

    std::size_t latency = 0;
    while (latency < data.got[0].size() && data.got[0][latency] == 0) ++latency;
    // Input headers fill from the switch that plays the first output header;
    // what is played comes back one server period later.
    EXPECT_EQ(latency, static_cast<std::size_t>(buffer));
    ASSERT_GT(data.got[0].size(), latency + 8 * buffer);
    std::size_t wrong = 0;
    for (int c = 0; c < 2; ++c)
      for (std::size_t i = latency; i < data.got[c].size(); ++i)
        wrong += data.got[c][i] != data.sent[c][i - latency];
    EXPECT_EQ(wrong, 0u);
    std::printf("stream loopback at 44100 Hz, sample type %s: %zu frames\n", type, latency);
  }
}

TEST_F(HostkitOnJack, ToneThrough48000ServerComesBackAt44100WithItsPitchAndLevel) {
  PrivateJackServer server(48000, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  data.tone = true;
  useCatalogue("autoconnect = no\n");
  ASSERT_TRUE(HostkitInit(nullptr, 0));
  ASSERT_EQ(HostkitStart(1, 6), 1);
  EXPECT_EQ(HostkitSampleRate(), 44100);
  const std::int32_t buffer = HostkitBufferSize();
  ASSERT_EQ(buffer, 470);
  JackPeer peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_TRUE(peer.connect("Cantora:out_1", "Cantora:in_1"));
  ASSERT_TRUE(peer.connect("Cantora:out_2", "Cantora:in_2"));
  // 4 buffers per header: 42.6 ms, the application's smallest block.
  ASSERT_TRUE(startStream(4 * buffer));
  EXPECT_TRUE(waitFor([&] { return data.inputCalls.load() * 4 * buffer >= 4 * 44100; }, 20s));
  StreamStop(0);

  std::vector<double> x(data.got[1].begin(), data.got[1].end());
  const jacktest::ToneReport tone = jacktest::analyseTone(x, 44100.0, 1000.0, 44100, 4 * 44100);
  EXPECT_LT(std::fabs(tone.cents), 1.0) << tone.hz << " Hz";
  EXPECT_LT(std::fabs(20 * std::log10(tone.amplitude / 12000.0)), 0.1);
  EXPECT_LT(tone.worstPhase, 0.01) << "the phase jumped: a block was dropped or repeated";
}

TEST_F(HostkitOnJack, PeriodChangeReachesTheApplicationsResetHandler) {
  PrivateJackServer server(44100, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  useCatalogue("autoconnect = no\n");
  int window = 0;
  resetCalls = 0;
  HostkitSetResetHandler(onReset);
  ASSERT_TRUE(HostkitInit(&window, 0));
  ASSERT_EQ(HostkitStart(1, 6), 1);
  ASSERT_TRUE(startStream(2 * HostkitBufferSize()));
  ASSERT_TRUE(waitFor([&] { return data.inputCalls.load() >= 3; }, 10s));
  EXPECT_EQ(resetCalls.load(), 0);
  JackPeer peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_TRUE(peer.setPeriod(1024));
  EXPECT_TRUE(waitFor([&] { return resetCalls.load() >= 1; }, 5s));
  EXPECT_EQ(resetWindow.load(), &window);
  // Until the application restarts, the stream keeps running.
  const int seen = data.inputCalls.load();
  EXPECT_TRUE(waitFor([&] { return data.inputCalls.load() >= seen + 5; }, 10s));
  StreamStop(0);
}

TEST_F(HostkitOnJack, ServerKilledDuringPlaybackLeavesEveryCallPrompt) {
  PrivateJackServer server(44100, 512);
  ASSERT_TRUE(server.ready()) << "jackd did not come up";
  useCatalogue("autoconnect = yes\n");
  ASSERT_TRUE(HostkitInit(nullptr, 0));
  ASSERT_EQ(HostkitStart(1, 6), 1);
  ASSERT_TRUE(startStream(2 * HostkitBufferSize()));
  ASSERT_TRUE(waitFor([&] { return data.inputCalls.load() >= 3; }, 10s));
  {
    // autoconnect: the first two physical ports each way.
    JackPeer peer;
    ASSERT_TRUE(peer.ok());
    EXPECT_TRUE(peer.connected("Cantora:out_1", "system:playback_1"));
    EXPECT_TRUE(peer.connected("Cantora:out_2", "system:playback_2"));
    EXPECT_TRUE(peer.connected("system:capture_1", "Cantora:in_1"));
    EXPECT_TRUE(peer.connected("system:capture_2", "Cantora:in_2"));
  }
  server.kill();
  std::this_thread::sleep_for(100ms);
  EXPECT_LT(timed([] { HostkitSampleRate(); }), 1s);
  EXPECT_LT(timed([] { StreamStop(0); }), 1s);
  EXPECT_LT(timed([] { StreamClose(0); }), 1s);
  EXPECT_LT(timed([] { HostkitShutdown(); }), 1s);
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
  // The catalogue the build wrote, not a user's.
  unsetenv("CANTORA_DRIVER_CATALOGUE");
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = configHome != nullptr ? configHome : "";
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  char names[2048] = {};
  const std::int32_t count = HostkitListDevices(names, sizeof names);
  if (configHome != nullptr)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(names, "Virtual Audio Device");
  EXPECT_STREQ(names + std::strlen(names) + 1, "JACK Audio");
}

}  // namespace
