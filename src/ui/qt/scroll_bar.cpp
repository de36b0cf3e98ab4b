#include "scroll_bar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace ui {

ScrollBar::ScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

void ScrollBar::keyPressEvent(QKeyEvent* event) {
  // Left is left and Right is right (Qt's scroll bar turns its horizontal
  // arrow keys round); Page Up and Page Down page, as the bar's owner expects.
  SliderAction action = SliderNoAction;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      action = SliderSingleStepSub;
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      action = SliderSingleStepAdd;
      break;
    case Qt::Key_PageUp:
      action = SliderPageStepSub;
      break;
    case Qt::Key_PageDown:
      action = SliderPageStepAdd;
      break;
    default:
      QScrollBar::keyPressEvent(event);
      return;
  }
  triggerAction(action);
  event->accept();
}

void ScrollBar::mousePressEvent(QMouseEvent* event) {
  if (minimum() != maximum() || event->button() != Qt::LeftButton) {
    QScrollBar::mousePressEvent(event);
    return;
  }
  // Qt's bar ignores the mouse when there is no range; the arrows still count.
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QStyle::SubControl hit = style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option,
                                                                event->position().toPoint(), this);
  if (hit == QStyle::SC_ScrollBarSubLine) {
    triggerAction(SliderSingleStepSub);
  } else if (hit == QStyle::SC_ScrollBarAddLine) {
    triggerAction(SliderSingleStepAdd);
  }
  event->accept();
}

}  // namespace ui
