#include "modal_answer.h"

#include <QApplication>
#include <QWidget>

namespace ui {

QTimer* answerNextModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer(QCoreApplication::instance());
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, answer = std::move(answer)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    answer(modal);
  });
  timer->start();
  return timer;
}

}  // namespace ui
