// The main window over the headless Shell: placement, size limits, the quit
// refusal and the teardown order, command dispatch, the transport buttons and
// undo while a drawing thread holds the view. (Creation, the keys and the
// boxes themselves: the Qt tests.) And the Shell's own flags for breaches of
// the rule that keeps the program free of deadlocks (nothing done while
// viewMutex is held waits for the UI thread, only workers holding no lock make
// blocking calls to it), which every test here relies on.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "app/app_constants.h"
#include "app/view_lock.h"
#include "app_harness.h"

namespace {

using app::MainWindow;
using state::TransportMode;

TEST(MainWindowPlacement, FollowsTheDesktopSize) {
  struct Case {
    app::Size desktop;
    app::WindowPlacement expected;
  } cases[] = {
      {{1920, 1080}, {60, 60, 1800, 752}},
      {{1024, 768}, {60, 60, 904, 520}},
      // A size already on a multiple of 8 still grows by 8: 1928 - 128 = 1800 -> 1808.
      {{1928, 1080}, {60, 60, 1808, 752}},
      // A desktop smaller than the window's minimum gives the minimum, on screen.
      {{320, 200}, {0, 0, app::MIN_WINDOW_WIDTH, app::MIN_WINDOW_HEIGHT}},
  };
  for (const Case& c : cases) {
    const app::WindowPlacement p = MainWindow::initialPlacement(c.desktop);
    EXPECT_EQ(std::tie(p.x, p.y, p.width, p.height),
              std::tie(c.expected.x, c.expected.y, c.expected.width, c.expected.height))
        << c.desktop.width << "x" << c.desktop.height;
  }
}

TEST(MainWindowSize, ReLaysOutOnlyWhenTheSizeChangesAndTheViewIsFreeAndRefitsTheZoom) {
  apptest::Harness h({800, 400});
  h.loadTrack(100000);
  const std::uint32_t fitBefore = h.app.fitFramesPerPixel;
  h.shell.clearRecords();
  h.window.onSize({800, 400});
  EXPECT_EQ(h.shell.count("placeControl"), 0);

  h.shell.setClientSize({1600, 500});
  h.window.onSize({1600, 500});
  EXPECT_EQ(h.shell.count("placeControl"), 8);
  EXPECT_EQ(h.view().image.width(), 1600);
  EXPECT_EQ(h.app.layoutWidth, 1600 + h.shell.frameExtra.width);
  EXPECT_EQ(h.app.fitFramesPerPixel, state::fitZoom(100000, 1600 - 34));
  EXPECT_LT(h.app.fitFramesPerPixel, fitBefore);
  EXPECT_EQ(h.app.framesPerPixel, h.app.fitFramesPerPixel);

  // Skipped while the view is held.
  {
    apptest::ViewHeld held(h.app.viewMutex);
    h.shell.clearRecords();
    h.window.onSize({1000, 500});
  }
  EXPECT_EQ(h.shell.count("placeControl"), 0);
  EXPECT_EQ(h.view().image.width(), 1600);
}

TEST(MainWindowSize, LimitsAreFixedWhileRecordingOrBusy) {
  apptest::Harness h;
  h.readyStream();
  const app::Size layout{h.app.layoutWidth, h.app.layoutHeight};
  h.window.onCommand(view::ID_RECORD);
  ASSERT_EQ(h.app.mode, TransportMode::Recording);
  EXPECT_EQ(h.shell.minSize, layout);
  EXPECT_EQ(h.shell.maxSize, layout);
  // Stop hands the recording (here none) to a worker; the window stays fixed
  // until the worker's end reaches it.
  h.window.onCommand(view::ID_STOP);
  ASSERT_TRUE(h.finishWorkers());
  ASSERT_EQ(h.app.mode, TransportMode::Idle);
  EXPECT_EQ(h.shell.minSize, (app::Size{682, 384}));
  EXPECT_FALSE(h.shell.maxSize);

  // A right click on the selection is busy while the tuning runs and hands
  // the track back when it ends.
  h.loadTrack(50000);
  h.select(0, 4000);
  const int x = h.paneA().left + 3;
  h.shell.clearRecords();
  h.window.onRightButtonDown(x, h.paneA().top + 5);
  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  EXPECT_EQ(h.shell.count("setSizeLimits"), 2);  // fixed, then free again
  EXPECT_EQ(h.shell.minSize, (app::Size{682, 384}));
}

// The question itself, Cancel and OK: the Qt tests, through the real box.
TEST(MainWindowQuit, RefusesWhileBusyAndExitAsksFirst) {
  apptest::Harness h;
  h.app.mode = TransportMode::Busy;
  h.window.onClose();
  ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
  EXPECT_EQ(h.shell.messageBoxes[0].text, app::MSG_WAIT_FOR_OPERATION);
  EXPECT_FALSE(h.shell.destroyed);

  h.app.mode = TransportMode::Idle;
  h.window.onCommand(app::CMD_EXIT);
  EXPECT_EQ(h.shell.messageBoxes.size(), 2u);
  EXPECT_TRUE(h.shell.destroyed);
}

TEST(MainWindowTeardown, StopsClosesShutsDownThenFreesThenWaitsForTheView) {
  apptest::Harness h;
  h.loadTrack(30000);
  h.readyStream();
  h.app.mode = TransportMode::Looping;
  h.app.follow = true;
  h.app.undo.samples.reset(new std::int16_t[2]());
  h.app.spoolBuffer.reset(new std::uint8_t[16]);
  h.app.chunks.append(state::RecordChunk::create(1, 64));
  h.shell.onDestroyed = [&] { h.window.onDestroy(); };

  // A drawing thread holds the view for a moment: teardown must wait for it.
  std::atomic<bool> held{false}, released{false};
  std::thread drawer([&] {
    h.app.viewMutex.lock();
    held = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    released = true;
    h.app.viewMutex.unlock();
  });
  while (!held) std::this_thread::yield();
  h.window.onCommand(app::CMD_EXIT);
  EXPECT_TRUE(released);
  drawer.join();

  EXPECT_EQ(h.hostLog, (std::vector<std::string>{"stop+track", "close+track", "shutdown+track"}));
  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  EXPECT_FALSE(h.app.follow);
  EXPECT_FALSE(h.app.samples);
  EXPECT_FALSE(h.app.undo.holdsSamples());
  EXPECT_FALSE(h.app.spoolBuffer);
  EXPECT_EQ(h.app.chunks.head, nullptr);
  EXPECT_FALSE(h.view().image.valid());
}

TEST(MainWindowTeardown, IdleWithoutADeviceTouchesNoHost) {
  apptest::Harness h;
  h.window.onDestroy();
  EXPECT_TRUE(h.hostLog.empty());
  h.readyStream();
  h.app.streamReady = false;  // the host refused the stream: only the driver is open
  h.window.onDestroy();
  EXPECT_EQ(h.hostLog, (std::vector<std::string>{"shutdown"}));
}

// About, Exit and the driver-reset advice: the Qt tests, through the real menu and boxes.
TEST(MainWindowCommands, DispatchesMenuCommands) {
  apptest::Harness h;
  // The first device command drops the selection and goes to the device
  // selection; a device is then chosen, and the second only says so.
  h.loadTrack(40000);
  h.select(0, 10000);
  view::paintBackgrounds(h.view(), h.app, false);
  ASSERT_GT(h.selectedColumns(), 0);
  h.shell.deviceAnswers.push_back(std::nullopt);  // the dialog cancelled
  h.window.onCommand(app::CMD_SELECT_DEVICE);
  EXPECT_FALSE(h.app.selActive);
  EXPECT_EQ(h.selectedColumns(), 0);
  EXPECT_TRUE(h.shell.messageBoxes.empty());
  h.app.deviceIndex = 0;
  h.window.onCommand(app::CMD_SELECT_DEVICE);
  ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
  EXPECT_EQ(h.shell.messageBoxes[0].text, "You already selected an ASIO device!");
  EXPECT_EQ(h.shell.messageBoxes[0].caption, "ASIO Devices...");
  EXPECT_FALSE(h.shell.messageBoxes[0].owned);

  // Open and Save as pass the gate first.
  h.app.mode = TransportMode::Playing;
  h.window.onCommand(app::CMD_SAVE_AS);
  EXPECT_EQ(h.shell.messageBoxes.back().caption, app::CAPTION_SAVE_AS);
  h.app.mode = TransportMode::Busy;
  h.window.onCommand(app::CMD_OPEN);
  EXPECT_EQ(h.shell.messageBoxes.back().text, app::MSG_WAIT_FOR_OPERATION);
  EXPECT_EQ(h.shell.messageBoxes.back().caption, app::CAPTION_OPEN);
  // Let through, they ask for a name; cancelled, they change nothing.
  h.app.mode = TransportMode::Idle;
  const std::size_t before = h.shell.messageBoxes.size();
  h.window.onCommand(app::CMD_OPEN);
  h.window.onCommand(app::CMD_SAVE_AS);
  EXPECT_EQ(h.shell.messageBoxes.size(), before);
  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  EXPECT_EQ(h.shell.count("openFileDialog"), 1);
  EXPECT_EQ(h.shell.count("saveFileDialog"), 1);

  h.window.onCommand(300);
  EXPECT_EQ(h.shell.messageBoxes.back().text, "You pressed Control ID#300");
  EXPECT_EQ(h.shell.messageBoxes.back().caption, "Button Pressed");
}

TEST(MainWindowTransport, PlayLoopPauseStopDriveTheHostAndTheButtons) {
  apptest::Harness h;
  h.loadTrack(100000);
  h.readyStream();
  h.select(5000, 20000);

  h.window.onCommand(view::ID_LOOP);
  EXPECT_EQ(h.app.mode, TransportMode::Looping);
  EXPECT_EQ(h.app.playPos, 5000u);
  EXPECT_EQ(h.app.cursorPos, 5000u + 2048u);  // one block ahead
  EXPECT_TRUE(h.app.follow);
  EXPECT_EQ(h.shell.focusedButton, view::ID_PAUSE);
  EXPECT_EQ(h.waits.back(), std::chrono::milliseconds(50));

  h.window.onCommand(view::ID_PAUSE);
  EXPECT_EQ(h.shell.buttons[view::ID_PAUSE].text, "Resume");
  EXPECT_TRUE(h.app.paused);
  h.window.onCommand(view::ID_STOP);
  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  EXPECT_EQ(h.shell.buttons[view::ID_PAUSE].text, "Pause");
  EXPECT_FALSE(h.app.paused || h.app.loop || h.app.follow);
  EXPECT_EQ(h.app.playPos, 0u);
  EXPECT_EQ(h.shell.focusedButton, view::ID_PLAY);
  for (int id : {view::ID_PLAY, view::ID_LOOP, view::ID_RECORD})
    EXPECT_TRUE(h.shell.buttons[id].enabled);
  EXPECT_EQ(h.hostLog,
            (std::vector<std::string>{"prime+track", "start+track", "pause+track", "stop+track"}));

  // (Stop after a recording, finished on a worker:
  // MainWindowSize.LimitsAreFixedWhileRecordingOrBusy.)
}

// Undo from the menu and the keys: the tuning command's and the Qt tests.
// Held by a drawing thread, the view keeps its picture but the samples return.
TEST(UndoTuning, RestoresButLeavesThePictureWhileTheViewIsHeld) {
  apptest::Harness h;
  h.loadTrack(20000, 2);
  const std::vector<std::int16_t> original(h.app.samples.get(), h.app.samples.get() + 40000);
  h.app.undo.samples.reset(new std::int16_t[1000]);
  for (int i = 0; i < 1000; ++i) {
    h.app.undo.samples[i] = original[2 * (1000 + i) + 1];
    h.app.samples[2 * (1000 + i) + 1] = 0;
  }
  h.app.undo.startFrame = 1000;
  h.app.undo.frameCount = 1000;
  h.app.undo.channel = 2;
  h.app.undo.stereo = true;
  h.shell.undoEnabled = true;
  {
    apptest::ViewHeld held(h.app.viewMutex);
    h.shell.clearRecords();
    h.window.onChar('U');
  }
  EXPECT_TRUE(std::equal(original.begin(), original.end(), h.app.samples.get()));
  EXPECT_FALSE(h.app.undo.holdsSamples());
  EXPECT_FALSE(h.shell.undoEnabled);
  EXPECT_TRUE(h.shell.invalidated.empty());
}

TEST(ShellThreadRules, FlagsBlockingCallsUnderTheViewLockOrOnTheWrongThread) {
  apptest::Harness h;
  std::thread worker([&] {
    h.shell.messageBoxFromWorker("fine", "c", app::MessageIcon::Error, app::MessageButtons::Ok);
  });
  worker.join();
  EXPECT_TRUE(h.shell.violations.empty());

  std::thread locked([&] {
    app::ViewLock lock = app::ViewLock::take(h.app.viewMutex);
    EXPECT_TRUE(app::ViewLock::heldByThisThread());
    h.shell.saveFileDialogFromWorker("Out.wav");
    h.shell.messageBox("modal", "c", app::MessageIcon::Error, app::MessageButtons::Ok, true);
  });
  locked.join();
  EXPECT_FALSE(app::ViewLock::heldByThisThread());
  h.shell.messageBoxFromWorker("on the UI thread", "c", app::MessageIcon::Error,
                               app::MessageButtons::Ok);
  ASSERT_EQ(h.shell.violations.size(), 3u);
  EXPECT_NE(h.shell.violations[0].find("viewMutex"), std::string::npos);
  EXPECT_NE(h.shell.violations[1].find("off the UI thread"), std::string::npos);
  EXPECT_NE(h.shell.violations[2].find("UI thread"), std::string::npos);
}

}  // namespace
