// A minute of playback through the JACK driver on a private 48000 Hz dummy
// server: the host frames the driver asked for against the server's frames
// (which must stand at exactly 44100/48000 of them), and the server's frames
// against the wall clock. Takes as many seconds as given (default 60).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"

namespace {

std::atomic<std::int64_t> switches{0};
std::atomic<std::int64_t> switchesAtPeerCycle{0};

void onSwitch(std::int32_t, std::int32_t) {
  switches.fetch_add(1);
}
void onRate(double) {}
std::int32_t onMessage(std::int32_t, std::int32_t, void*, double*) {
  return 0;
}
void onPeerCycle(std::int64_t) {
  switchesAtPeerCycle.store(switches.load());
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  jacktest::PrivateJackServer server(48000, 512);
  if (!server.ready()) {
    std::printf("jackd did not come up: nothing measured\n");
    return 1;
  }
  drivers::AsioDriver* driver = jacktest::createDriver({{"autoconnect", "no"}});
  if (driver == nullptr || driver->init(nullptr) != drivers::DRIVER_TRUE) {
    std::printf("the JACK driver did not open\n");
    return 1;
  }
  std::int32_t minimum = 0, maximum = 0, frames = 0, granularity = 0;
  driver->getBufferSize(&minimum, &maximum, &frames, &granularity);
  drivers::AsioBufferInfo infos[4] = {{0, 0, {}}, {0, 1, {}}, {1, 0, {}}, {1, 1, {}}};
  drivers::AsioCallbacks callbacks{onSwitch, onRate, onMessage, nullptr};
  driver->createBuffers(infos, 4, frames, &callbacks);

  jacktest::JackPeer peer(onPeerCycle);
  driver->start();
  peer.connect("Cantora:out_1", std::string(jacktest::JackPeer::PEER_NAME) + ":in");
  // Measure from a settled start, in the peer's cycles (after the driver's).
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::int64_t frames0 = peer.frames();
  const std::int64_t switches0 = switchesAtPeerCycle.load();
  const auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const std::int64_t frames1 = peer.frames();
  const std::int64_t switches1 = switchesAtPeerCycle.load();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  driver->stop();
  driver->disposeBuffers();
  driver->release();

  const double serverSeconds = static_cast<double>(frames1 - frames0) / 48000.0;
  const double hostFrames = static_cast<double>(switches1 - switches0) * frames;
  const double expected = static_cast<double>(frames1 - frames0) * 44100.0 / 48000.0;
  std::printf("host buffer %d frames; over %.2f s of server time (%.2f s of wall time):\n", frames,
              serverSeconds, wall);
  std::printf(
      "  host frames %.0f, expected %.1f: off by %.1f frames (%.2f host buffers, %.2f ppm)\n",
      hostFrames, expected, hostFrames - expected, (hostFrames - expected) / frames,
      (hostFrames - expected) / expected * 1e6);
  std::printf("  server time / wall time %.6f (the dummy server's own clock accuracy)\n",
              serverSeconds / wall);
  return 0;
}
