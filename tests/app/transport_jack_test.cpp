// The transport on the JACK driver, on a private dummy server: the device
// chosen through the dialog, a track played to its end, a known signal from
// another JACK client recorded sample for sample, and the driver's reset
// request reaching the window.
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/device_harness.h"
#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"

namespace {

using namespace std::chrono_literals;
using state::TransportMode;

// The source's sample k: never zero, and each one says which follows it.
constexpr int STEP = 11;
constexpr int SPAN = 30000;
std::int16_t sourceSample(std::int64_t k) {
  return static_cast<std::int16_t>(1 + (k * STEP) % SPAN);
}
std::int16_t following(std::int16_t s) {
  return static_cast<std::int16_t>(1 + (s - 1 + STEP) % SPAN);
}

// Another JACK client playing the sequence on its output port.
class JackSource {
 public:
  JackSource() {
    jack_status_t status{};
    client_ = jack_client_open("cantora-source", JackNoStartServer, &status);
    if (client_ == nullptr) return;
    port_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client_, onProcess, this);
    jack_activate(client_);
  }
  ~JackSource() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  JackSource(const JackSource&) = delete;
  JackSource& operator=(const JackSource&) = delete;
  bool connectTo(const char* input) {
    return client_ != nullptr && jack_connect(client_, "cantora-source:out", input) == 0;
  }

 private:
  static int onProcess(jack_nframes_t n, void* arg) {
    auto* self = static_cast<JackSource*>(arg);
    auto* out = static_cast<float*>(jack_port_get_buffer(self->port_, n));
    for (jack_nframes_t i = 0; i < n; ++i)
      out[i] = static_cast<float>(sourceSample(self->next_ + i)) / 32768.0f;
    self->next_ += n;
    return 0;
  }
  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::int64_t next_ = 0;
};

std::string jackCatalogue() {
  return "[JACK Audio]\nclsid = {3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64}\n"
         "description = JACK Audio\nautoconnect = no\n"
         "\n[classes]\n{3E8D4A17-92C5-4B6F-8E21-7A0C5D9B1F64} = " CANTORA_JACK_DRIVER_PATH "\n";
}

TEST(TransportOnJack, SelectsPlaysAndRecordsAnotherClientSampleForSample) {
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

  JackSource source;
  ASSERT_TRUE(source.connectTo("Cantora:in_1"));
  ASSERT_TRUE(source.connectTo("Cantora:in_2"));
  apptest::Finished finished;
  apptest::catchRecording(h, finished);
  const apptest::Planar& got = finished.audio;
  std::this_thread::sleep_for(100ms);  // the connection carries sound
  d.click(view::ID_RECORD);
  ASSERT_TRUE(d.runFor(44100));
  d.click(view::ID_STOP);
  ASSERT_GE(got.size(), 44100u);
  EXPECT_EQ(got.left, got.right);
  ASSERT_NE(got.left[0], 0) << "the source was heard from the first block";
  for (std::size_t i = 1; i < got.size(); ++i)
    ASSERT_EQ(got.left[i], following(got.left[i - 1])) << "frame " << i << " lost or repeated";

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
