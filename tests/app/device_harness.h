// The main window over the headless Shell with a real audio host: a driver
// catalogue written for the test, the device chosen through the device
// dialog, and the message loop's part played by the test (posted commands are
// handed to the window until the transport is back to Idle).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app_constants.h"
#include "app/app_harness.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/test_catalogue.h"

namespace apptest {

using namespace std::chrono_literals;

// Two planar channels, as the host exchanges them.
struct Planar {
  std::vector<std::int16_t> left, right;
  std::size_t size() const { return left.size(); }
};

// The 16-bit stereo frames of the virtual device's capture: a canonical WAV
// file (44-byte header), read to its end so that a capture whose header was
// not brought up to date is read whole too.
inline Planar readCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
  Planar out;
  for (std::size_t i = 44; i + 4 <= b.size(); i += 4) {
    out.left.push_back(static_cast<std::int16_t>(b[i] | b[i + 1] << 8));
    out.right.push_back(static_cast<std::int16_t>(b[i + 2] | b[i + 3] << 8));
  }
  return out;
}

// What the finishing of a recording received.
struct Finished {
  Planar audio;
  std::uint32_t chunks = 0;
  bool spoolToFile = false;
  int calls = 0;
};

// Has the finishing of a recording keep what it received in `out`, and leave
// no track.
inline void catchRecording(Harness& h, Finished& out) {
  h.ctx().finishRecording = [&out](app::AppContext& ctx) {
    ++out.calls;
    for (const state::RecordChunk* c = ctx.app.chunks.head; c != nullptr; c = c->next) {
      ++out.chunks;
      const std::size_t n = std::size_t{c->blocksUsed} * ctx.app.blockFrames;
      out.audio.left.insert(out.audio.left.end(), c->left.get(), c->left.get() + n);
      out.audio.right.insert(out.audio.right.end(), c->right.get(), c->right.get() + n);
    }
    out.spoolToFile = ctx.app.spoolToFile;
    ctx.app.chunks.free();
    ctx.app.chunkCount = 0;
    ctx.app.mode = state::TransportMode::Idle;
  };
}

class DeviceHarness {
 public:
  hosttest::TempFolder folder;
  std::unique_ptr<Harness> h;

  DeviceHarness() = default;
  ~DeviceHarness() { close(); }

  // Writes a catalogue and chooses its first driver through the dialog.
  bool open(const std::string& catalogue, app::Size client = {800, 400}) {
    setenv("CANTORA_DRIVER_CATALOGUE", folder.write("drivers.ini", catalogue).c_str(), 1);
    h = std::make_unique<Harness>(client);
    h->shell.deviceAnswers.push_back(0);
    h->window.onCommand(app::CMD_SELECT_DEVICE);
    return h->app.streamReady;
  }
#ifdef CANTORA_VIRTUAL_DRIVER
  // The virtual device with 16-bit samples at `speed` times real time.
  bool openVirtual(const std::string& settings, int speed = 8) {
    return open(hosttest::virtualCatalogue("pacing = fast\nspeed = " + std::to_string(speed) +
                                           "\nsampletype = 16\n" + settings));
  }
#endif
  std::string capturePath() const {
    return folder.path() + "/played.wav";
  }
  std::string captureSetting() const {
    return "capture = " + capturePath() + "\n";
  }

  // The teardown of the window: stops and closes the stream, closes the driver.
  void close() {
    if (h) h->window.onDestroy();
    h.reset();
    host::resetHostForTesting();
    HostkitSetResetHandler(nullptr);
    unsetenv("CANTORA_DRIVER_CATALOGUE");
  }

  void click(int id) {
    h->window.onCommand(id);
  }

  // Hands posted commands to the window until `done` holds; false when
  // nothing more arrives within `limit`.
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (std::optional<int> id = h->shell.takePosted(10ms)) h->window.onCommand(*id);
    }
    return true;
  }
  bool runUntilIdle(std::chrono::milliseconds limit = 20s) {
    return runUntil([this] { return h->app.mode == state::TransportMode::Idle; }, limit);
  }
  // Waits (handling posted commands) until the device has run `frames` more.
  bool runFor(std::uint64_t frames) {
    const std::uint64_t until = h->app.deviceFrames + frames;
    return runUntil([this, until] { return h->app.deviceFrames >= until; });
  }
};

}  // namespace apptest
