// The rule that keeps the program free of deadlocks: nothing done while
// viewMutex is held waits for the UI thread, and only workers holding no lock
// make blocking calls to it. The headless Shell flags every breach, which the
// other tests rely on; this test checks that it does. (The UI side against the
// follow step: the follow stress tests, here and under Windows.)
#include <gtest/gtest.h>

#include <thread>

#include "app/view_lock.h"
#include "app_harness.h"

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

}  // namespace
