// The rule that keeps the program from hanging: nothing on the audio path and
// nothing under viewMutex waits for the UI thread. The UI side stops, zooms
// and resizes the window a thousand times while the follow step runs on a
// fast virtual device; a hang is caught by the test's timeout.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/device_harness.h"

namespace {

using namespace std::chrono_literals;
using state::TransportMode;

TEST(FollowStress, StopZoomAndResizeWhileTheFollowStepRunsNeverHang) {
  apptest::DeviceHarness d;
  // 2048-frame blocks about a millisecond apart.
  ASSERT_TRUE(d.openVirtual("input = silence\n", 40));
  apptest::Harness& h = *d.h;
  h.loadTrack(2000000, 2);
  // Zoomed in, so that the follow step scrolls page by page.
  for (int i = 0; i < 6; ++i) d.click(view::ID_ZOOM_IN);
  h.shell.clearRecords();
  d.click(view::ID_LOOP);
  for (int i = 0; i < 1000; ++i) {
    switch (i % 5) {
      case 0:
      case 1:
        d.click(i % 2 == 0 ? view::ID_ZOOM_IN : view::ID_ZOOM_OUT);
        break;
      case 2: {
        // The follow step sees the new size before the window handles it.
        const app::Size size{800 + (i % 7) * 16, 400 + (i % 3) * 8};
        h.shell.setClientSize(size);
        std::this_thread::sleep_for(200us);
        h.window.onSize(size);
        break;
      }
      case 3:
        d.click(view::ID_STOP);
        ASSERT_EQ(h.app.mode, TransportMode::Idle);
        break;
      case 4:
        d.click(i % 2 == 0 ? view::ID_PLAY : view::ID_LOOP);
        break;
    }
    while (std::optional<int> id = h.shell.takePosted(0ms)) h.window.onCommand(*id);
  }
  d.click(view::ID_STOP);
  EXPECT_TRUE(h.shell.violations.empty()) << h.shell.violations.front();
  EXPECT_GT(h.shell.count("drawCursorLine") + h.shell.count("setScrollBar"), 0)
      << "the follow step ran";
  EXPECT_GT(h.shell.count("placeControl"), 0) << "the window was laid out again";
}

}  // namespace
