// A minute of playback through the JACK driver on a private 48000 Hz dummy
// server: the host frames the driver asked for against the server's frames
// (which must stand at exactly 44100/48000 of them), and the server's frames
// against the wall clock. Takes as many seconds as given (default 60).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "host/drivers/jack/driver_harness.h"
#include "host/drivers/jack/jack_server.h"

namespace {

std::atomic<std::int64_t> switches{0};
std::atomic<std::int64_t> switchesAtPeerCycle{0};
std::atomic<int> hostFrames{0};

// Host frames asked for less 44100/48000 of the server's frames, per cycle:
// its range over the first and over the last ten seconds. Within each it
// moves over one host buffer; a drift moves the second range away. Written
// only by the peer's cycles, read once the driver has stopped.
struct Range {
  double low = 1e18, high = -1e18;
  void add(double d) { low = std::min(low, d), high = std::max(high, d); }
  double middle() const { return (low + high) / 2; }
};
Range firstTen, lastTen;
std::atomic<std::int64_t> lastTenFrom{-1};

void onSwitch(std::int32_t, std::int32_t) {
  switches.fetch_add(1);
}
void onRate(double) {}
std::int32_t onMessage(std::int32_t, std::int32_t, void*, double*) {
  return 0;
}
void onPeerCycle(std::int64_t frames) {
  const std::int64_t n = switches.load();
  switchesAtPeerCycle.store(n);
  const double d = static_cast<double>(n) * hostFrames.load() - frames * 44100.0 / 48000.0;
  // The first half second settles the start.
  if (frames > 24000 && frames <= 24000 + 480000) firstTen.add(d);
  const std::int64_t from = lastTenFrom.load();
  if (from >= 0 && frames > from) lastTen.add(d);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  jacktest::PrivateJackServer server(48000, 512);
  if (!server.ready()) {
    std::printf("jackd did not come up (is jackd2 installed?): nothing measured\n");
    return 0;
  }
  drivers::AsioDriver* driver = jacktest::createDriver({{"autoconnect", "no"}});
  if (driver == nullptr || driver->init(nullptr) != drivers::DRIVER_TRUE) {
    std::printf("the JACK driver did not open\n");
    return 1;
  }
  std::int32_t minimum = 0, maximum = 0, frames = 0, granularity = 0;
  driver->getBufferSize(&minimum, &maximum, &frames, &granularity);
  hostFrames.store(frames);
  drivers::AsioBufferInfo infos[4] = {{0, 0, {}}, {0, 1, {}}, {1, 0, {}}, {1, 1, {}}};
  drivers::AsioCallbacks callbacks{onSwitch, onRate, onMessage, nullptr};
  driver->createBuffers(infos, 4, frames, &callbacks);

  auto peerOwner = std::make_unique<jacktest::JackPeer>(onPeerCycle);
  jacktest::JackPeer& peer = *peerOwner;
  driver->start();
  peer.connect("Cantora:out_1", std::string(jacktest::JackPeer::PEER_NAME) + ":in");
  // Measure from a settled start, in the peer's cycles (after the driver's).
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::int64_t frames0 = peer.frames();
  const std::int64_t switches0 = switchesAtPeerCycle.load();
  const auto wall0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds > 10 ? seconds - 10 : 0));
  lastTenFrom.store(peer.frames());
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds > 10 ? 10 : seconds));
  const std::int64_t frames1 = peer.frames();
  const std::int64_t switches1 = switchesAtPeerCycle.load();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  peerOwner.reset();  // its cycles end before the ranges are read
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
  std::printf(
      "  host frames less 44100/48000 of the server's: %.1f .. %.1f over the first ten "
      "seconds, %.1f .. %.1f over the last ten: drift %.1f frames\n",
      firstTen.low, firstTen.high, lastTen.low, lastTen.high, lastTen.middle() - firstTen.middle());
  std::printf("  server time / wall time %.6f (the dummy server's own clock accuracy)\n",
              serverSeconds / wall);
  return 0;
}
