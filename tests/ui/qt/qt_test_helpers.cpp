#include "qt_test_helpers.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <numbers>

#include "ui/qt/client_area.h"
#include "ui/qt/demo_track.h"
#include "ui/qt/modal_answer.h"
#include "view/play_cursor.h"
#include "view/view_constants.h"

namespace qttest {

namespace {
const QString PENDING_ANSWER = QStringLiteral("pendingAnswer");
}  // namespace

void WindowTest::SetUp() {
  window = std::make_unique<ui::ShellWindow>(app, app::Size{1920, 1080});
  ASSERT_TRUE(window->start());
  // The pause after a transport button is for the audio host; none runs here.
  window->mainWindow().setSettleWait([](std::chrono::milliseconds) {});
  QApplication::processEvents();
}

void WindowTest::TearDown() {
  // An answer whose dialog never came must not answer the next test's dialog.
  for (QTimer* pending : QCoreApplication::instance()->findChildren<QTimer*>(PENDING_ANSWER)) {
    delete pending;
  }
  if (window && !window->destroyed()) window->destroyWindow();
  window.reset();
  QApplication::processEvents();
}

void WindowTest::activate() {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::placeTrack(std::uint32_t frames) {
  std::unique_ptr<std::int16_t[]> samples(new std::int16_t[frames * 2]);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double t = i / 44100.0;
    samples[2 * i] = static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * 220 * t));
    samples[2 * i + 1] = static_cast<std::int16_t>(9000 * std::sin(2 * std::numbers::pi * 330 * t));
  }
  ASSERT_TRUE(ui::showTrack(*window, std::move(samples), frames, 2));
  // Without the play cursor a load leaves at the start, the window shows
  // exactly the off-screen image.
  view::erasePlayCursor(view(), app, *window);
  QApplication::processEvents();
}

void answerNextModal(std::function<void(QWidget*)> answer) {
  // A timer still waiting at the end of a test goes with it (see TearDown).
  ui::answerNextModal(std::move(answer))->setObjectName(PENDING_ANSWER);
}

void answerNextMessageBox(BoxSeen& seen, QMessageBox::StandardButton button) {
  answerNextModal([&seen, button](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) {
      modal->close();
      return;
    }
    seen.text = box->text();
    seen.caption = box->windowTitle();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    seen.owned = box->parentWidget() != nullptr;
    seen.seen = true;
    box->button(button)->click();
  });
}

void mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, held,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

void drag(QWidget* target, QPoint from, QPoint to) {
  mouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  mouse(target, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  mouse(target, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QPushButton* buttonNamed(QWidget* dialog, const QString& text) {
  for (QPushButton* b : dialog->findChildren<QPushButton*>())
    if (b->text().remove('&') == text) return b;
  return nullptr;
}

void chooseInFileDialog(const QString& path, QString* offered) {
  answerNextModal([path, offered](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) return modal->close(), void();
    if (offered != nullptr) *offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

QImage WindowTest::grabClient() {
  return window->clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int WindowTest::mismatches(const QImage& shown) {
  const view::Image& image = view().image;
  if (shown.width() != image.width() || shown.height() != image.height()) return -1;
  std::vector<QRect> skip{window->scrollBar()->geometry()};
  for (int i = 0; i < view::BUTTON_COUNT; ++i)
    skip.push_back(window->button(view::BUTTON_ID_FIRST + i)->geometry());
  int differ = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      bool skipped = false;
      for (const QRect& r : skip) skipped = skipped || r.contains(x, y);
      if (!skipped && rgb(shown, x, y) != image.pixel(x, y)) ++differ;
    }
  }
  return differ;
}

}  // namespace qttest
