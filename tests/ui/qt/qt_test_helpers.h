// Helpers for the Qt front end's tests: a started main window on a 1920 x 1080
// desktop, answering the next modal dialog from inside its event loop, and
// comparing what the client area shows with the off-screen image.
#pragma once

#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/qt/shell_window.h"
#include "view/image.h"
#include "view/track_view.h"

#include <ostream>

// Readable QStrings in the tests' failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace qttest {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Gives the window the keyboard (focus works only in the active window).
  void activate();
  // A stereo track of `frames` frames: a 220 Hz tone on the first channel,
  // 330 Hz on the second, placed in the window at the fit zoom.
  void placeTrack(std::uint32_t frames);
  view::TrackView& view() { return window->mainWindow().trackView(); }
  // The client area as shown (rendered afresh), as 0x00RRGGBB pixels.
  QImage grabClient();
  // Pixels of `shown` that differ from the off-screen image, leaving out the
  // scroll bar and the buttons.
  int mismatches(const QImage& shown);

  state::AppState app;
  std::unique_ptr<ui::ShellWindow> window;
};

// What a message box showed.
struct BoxSeen {
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool owned = false;
  bool seen = false;
};

// Calls `answer` with the next modal widget once it is shown (from inside its
// own event loop); the callback must close it.
void answerNextModal(std::function<void(QWidget*)> answer);
// Records the next message box in `seen` and closes it with `button`.
void answerNextMessageBox(BoxSeen& seen, QMessageBox::StandardButton button);
// Sends one mouse event to `target` at `pos` (in its coordinates).
void mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons held);
// A left-button drag from `from` straight to `to`, released there.
void drag(QWidget* target, QPoint from, QPoint to);
// The dialog's push button whose text, without its '&', is `text`.
QPushButton* buttonNamed(QWidget* dialog, const QString& text);
// Chooses `path` in the next file dialog; `offered`, when given, receives the
// file name the dialog offered first.
void chooseInFileDialog(const QString& path, QString* offered = nullptr);
inline std::uint32_t rgb(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFF;
}

}  // namespace qttest
