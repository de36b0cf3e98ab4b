#include "button_key_filter.h"

#include <QKeyEvent>
#include <QPushButton>

#include "app/main_window.h"

namespace ui {

bool ButtonKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (window_ == nullptr || event->type() != QEvent::KeyPress) return false;
  int index = -1;
  for (int i = 0; i < view::BUTTON_COUNT; ++i) {
    if (buttons_[i] == watched) index = i;
  }
  if (index < 0) return false;

  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    // Shift+Tab is still Tab to the row: the focus always moves right.
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      window_->onButtonKey(index, app::ButtonKey::Tab, '\t');
      // The logic has moved the focus; Qt's own Tab handling and the arrow
      // keys of QPushButton would move it a second time, so the key ends here.
      return true;
    case Qt::Key_Right:
      window_->onButtonKey(index, app::ButtonKey::Right, 0);
      return true;
    case Qt::Key_Left:
      window_->onButtonKey(index, app::ButtonKey::Left, 0);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return window_->onButtonKey(index, app::ButtonKey::Enter, '\r');
    default:
      break;
  }
  const QByteArray text = key->text().toLatin1();
  if (text.size() == 1) {
    return window_->onButtonKey(index, app::ButtonKey::Other, text[0]);
  }
  return false;
}

}  // namespace ui
