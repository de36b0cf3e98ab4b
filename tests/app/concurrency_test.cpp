// The rule that keeps the program free of deadlocks: nothing done while
// viewMutex is held waits for the UI thread, and only workers holding no lock
// make blocking calls to it. The headless Shell flags every breach; these
// tests check that it does, and drive the UI side against a drawing thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/scrolling.h"
#include "app/view_lock.h"
#include "app_harness.h"
#include "view/play_cursor.h"

namespace {

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

// A drawing thread does what the follow step does (try the view, scroll,
// draw the cursor, post Stop) while the UI thread zooms, scrolls and resizes.
TEST(ViewMutexRule, UiActionsAgainstADrawingThreadNeverBreakTheRuleOrHang) {
  apptest::Harness h;
  h.loadTrack(300000);
  h.window.onCommand(view::ID_ZOOM_IN);
  h.window.onCommand(view::ID_ZOOM_IN);
  std::atomic<bool> stop{false};
  std::atomic<int> drawn{0};
  std::thread follower([&] {
    while (!stop) {
      if (app::ViewLock lock = app::ViewLock::tryTake(h.app.viewMutex)) {
        app::scrollBy(h.ctx(), 1);
        view::erasePlayCursor(h.view(), h.app, h.shell);
        view::drawPlayCursor(h.view(), h.app, h.shell, h.paneA().left + 10);
        ++drawn;
      }
      h.shell.postCommand(view::ID_STOP);
      std::this_thread::yield();
    }
  });
  // The UI holds the view most of the time: go on until the follower got in
  // between a few times too.
  // On a loaded machine the follower may rarely be scheduled in that gap, so
  // after the first 60 rounds the UI pauses a moment between rounds.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (int i = 0; i < 60 || (drawn < 5 && std::chrono::steady_clock::now() < deadline); ++i) {
    if (i >= 60) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.window.onCommand(i % 2 ? view::ID_ZOOM_OUT : view::ID_ZOOM_IN);
    h.window.onHScroll(app::ScrollRequest::PageRight, 0);
    h.shell.setClientSize({800 + (i % 3) * 40, 400});
    h.window.onSize({800 + (i % 3) * 40, 400});
  }
  stop = true;
  follower.join();
  EXPECT_GE(drawn, 5);
  for (const std::string& v : h.shell.violations) ADD_FAILURE() << v;
}

}  // namespace
