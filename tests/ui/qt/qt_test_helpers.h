// Helpers for the Qt front end's tests: a started main window on a 1920 x 1080
// desktop, answering the next modal dialog from inside its event loop, and
// comparing what the client area shows with the off-screen image.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QMessageBox>
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
inline std::uint32_t rgb(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFF;
}

}  // namespace qttest
