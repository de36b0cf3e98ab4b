// The transport buttons' keys: Tab, Right and Left move the focus along the
// row, Enter presses the focused button, U undoes a tuning. The window's logic
// decides; this filter only translates Qt's key events for it.
#pragma once

#include <QObject>
#include <array>

#include "view/view_constants.h"

class QPushButton;

namespace app {
class MainWindow;
}

namespace ui {

class ButtonKeyFilter : public QObject {
 public:
  explicit ButtonKeyFilter(const std::array<QPushButton*, view::BUTTON_COUNT>& buttons)
      : buttons_(buttons) {}
  void attach(app::MainWindow* window) { window_ = window; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QPushButton*, view::BUTTON_COUNT> buttons_;
  app::MainWindow* window_ = nullptr;
};

}  // namespace ui
