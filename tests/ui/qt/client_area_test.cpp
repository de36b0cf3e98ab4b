// Painting and threads: what is drawn on the window stays until its area is
// invalidated, a held viewMutex never makes the UI thread wait, and calls from
// other threads are queued to the UI thread without waiting for it (only the
// workers' blocking calls wait, for the user's answer).
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/main_window.h"
#include "qt_test_helpers.h"
#include "ui/qt/client_area.h"
#include "view/view_constants.h"
#include "view/view_fixture.h"

namespace qttest {
namespace {

using Drawing = WindowTest;

TEST_F(Drawing, OnTheWindowStaysUntilItsAreaIsInvalidated) {
  placeTrack(50000);
  const view::Image& image = view().image;
  const view::Image before = viewtest::copyOf(image);
  const state::Rect pane = view().geometry.paneA;
  const int x = pane.left + 40;
  window->drawCursorLine(x, pane.top, pane.bottom);
  window->drawLiveLine(x + 10, pane.top, pane.top + 20);
  window->drawLivePoint(x + 20, pane.top + 7);
  const app::Rect textArea{pane.left + 100, pane.top + 4, pane.left + 160, pane.top + 20};
  window->drawText("A4 +12", textArea, 0xFFFFFF, 0x000080);

  QImage shown = grabClient();
  EXPECT_TRUE(image == before) << "drawing on the window leaves the image alone";
  for (int y = pane.top; y < pane.bottom; ++y) {
    ASSERT_EQ(rgb(shown, x - 1, y), 0u) << "the cursor is two pixels wide, centred on x";
    ASSERT_EQ(rgb(shown, x, y), 0u);
  }
  EXPECT_EQ(rgb(shown, x + 1, pane.top + 3), image.pixel(x + 1, pane.top + 3));
  EXPECT_EQ(rgb(shown, x + 10, pane.top), view::COLOUR_WAVE);
  EXPECT_EQ(rgb(shown, x + 10, pane.top + 19), view::COLOUR_WAVE);
  EXPECT_EQ(rgb(shown, x + 10, pane.top + 20), image.pixel(x + 10, pane.top + 20));
  EXPECT_EQ(rgb(shown, x + 20, pane.top + 7), view::COLOUR_WAVE);
  int background = 0, ink = 0;
  for (int y = textArea.top; y < textArea.bottom; ++y) {
    for (int tx = textArea.left; tx < textArea.right; ++tx) {
      const std::uint32_t p = rgb(shown, tx, y);
      background += p == 0x000080;
      ink += p == 0xFFFFFF;
    }
  }
  EXPECT_GT(background, 0) << "the readout's background is opaque";
  EXPECT_GT(ink, 0);

  // Invalidating the upper half of the cursor takes only that half away.
  const int middle = (pane.top + pane.bottom) / 2;
  window->invalidate(app::Rect{x - 1, pane.top, x + 1, middle});
  window->updateWindow();
  shown = grabClient();
  EXPECT_EQ(rgb(shown, x, pane.top + 1), image.pixel(x, pane.top + 1));
  EXPECT_EQ(rgb(shown, x, middle), 0u);

  window->invalidate(app::Rect{0, 0, image.width(), image.height()});
  window->updateWindow();
  EXPECT_EQ(mismatches(grabClient()), 0);
}

TEST_F(Drawing, AHeldViewMutexKeepsTheOldPictureAndNeverBlocks) {
  placeTrack(50000);
  window->activateWindow();
  QApplication::processEvents();
  const state::Rect pane = view().geometry.paneA;
  const QPoint origin = window->clientArea()->mapTo(window.get(), QPoint(0, 0));
  auto onScreen = [&](int x, int y) {
    const QImage screen = window->screen()->grabWindow(window->winId()).toImage();
    return screen.pixel(origin.x() + x, origin.y() + y) & 0xFFFFFF;
  };
  const int px = pane.left + 5, py = pane.top + 2;
  ASSERT_EQ(onScreen(px, py), view::COLOUR_PANE);

  std::mutex m;
  std::condition_variable cv;
  bool held = false, painted = false;
  std::thread holder([&] {
    std::lock_guard view_lock(app.viewMutex);
    view().image.fill(pane, 0x123456);
    std::unique_lock lk(m);
    held = true;
    cv.notify_all();
    // Released once the UI thread has painted; the limit only ends a broken run.
    cv.wait_for(lk, std::chrono::seconds(20), [&] { return painted; });
  });
  {
    std::unique_lock lk(m);
    cv.wait(lk, [&] { return held; });
  }
  window->invalidate(pane);
  window->updateWindow();  // must come back while the lock is held
  EXPECT_EQ(onScreen(px, py), view::COLOUR_PANE) << "the old picture stays";
  {
    std::lock_guard lk(m);
    painted = true;
  }
  cv.notify_all();
  holder.join();
  // The skipped part is painted again once the lock is free.
  EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen(px, py) == 0x123456; }, 2000));
}

using Threads = WindowTest;

TEST_F(Threads, CallsFromOtherThreadsAreQueuedAndNeverWait) {
  const state::Rect pane = view().geometry.paneA;
  // The UI thread joins without running its event loop: a call that waited
  // for it would never return.
  std::thread other([&] {
    window->setScrollBar(100, 10, 40);
    window->enableScrollBar(true);
    window->enableButton(view::ID_PLAY, false);
    window->setButtonText(view::ID_PAUSE, "Resume");
    window->drawCursorLine(pane.left + 50, pane.top, pane.bottom);
    window->invalidate(pane);
    window->updateWindow();
    window->drawLiveLine(pane.left + 70, pane.top, pane.bottom);
  });
  other.join();
  EXPECT_EQ(window->scrollBar()->maximum(), 0) << "nothing happens before the UI thread runs";
  EXPECT_TRUE(window->button(view::ID_PLAY)->isEnabled());
  QApplication::processEvents();
  EXPECT_EQ(window->scrollBar()->maximum(), 100);
  EXPECT_EQ(window->scrollBar()->pageStep(), 10);
  EXPECT_EQ(window->scrollBar()->value(), 40);
  EXPECT_TRUE(window->scrollBar()->isEnabled());
  EXPECT_FALSE(window->button(view::ID_PLAY)->isEnabled());
  EXPECT_EQ(window->button(view::ID_PAUSE)->text(), QString("Resume"));
  const QImage shown = grabClient();
  EXPECT_EQ(rgb(shown, pane.left + 50, pane.top + 3), view::COLOUR_PANE)
      << "in order: the cursor drawn, then its area invalidated";
  EXPECT_EQ(rgb(shown, pane.left + 70, pane.top + 3), view::COLOUR_WAVE);
}

TEST_F(Threads, PostedCommandsRunLaterOnTheUiThread) {
  BoxSeen play;
  bool returned = false;
  bool returnedBeforeBox = false;
  answerNextModal([&](QWidget* modal) {
    returnedBeforeBox = returned;
    play.seen = true;
    play.text = qobject_cast<QMessageBox*>(modal) ? static_cast<QMessageBox*>(modal)->text() : "";
    modal->close();
  });
  window->postCommand(view::ID_PLAY);
  returned = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return play.seen; }, 5000));
  EXPECT_TRUE(returnedBeforeBox) << "posting from the UI thread does not run the command inline";
  EXPECT_EQ(play.text, QString("No audio data to play!"));

  BoxSeen reset;
  answerNextMessageBox(reset, QMessageBox::Ok);
  std::thread host([&] { window->postDriverReset(); });
  host.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return reset.seen; }, 5000));
  EXPECT_EQ(reset.text,
            QString("Please exit the application and restart it for change to take effect."));
  EXPECT_EQ(reset.caption, QString("Sample rate change request..."));
  EXPECT_EQ(reset.icon, QMessageBox::Warning);
  EXPECT_FALSE(reset.owned);
}

TEST_F(Threads, AWorkersMessageBoxWaitsForTheUsersAnswer) {
  BoxSeen seen;
  answerNextMessageBox(seen, QMessageBox::Cancel);
  std::atomic<bool> done{false};
  app::MessageResult answer = app::MessageResult::Ok;
  std::thread worker([&] {
    answer = window->messageBoxFromWorker("Could not write the file!", "File save as request",
                                          app::MessageIcon::Error, app::MessageButtons::OkCancel);
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
  worker.join();
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(answer, app::MessageResult::Cancel);
  EXPECT_EQ(seen.text, QString("Could not write the file!"));
  EXPECT_EQ(seen.caption, QString("File save as request"));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_TRUE(seen.owned);
}

}  // namespace
}  // namespace qttest
