// Answering the next modal dialog from inside its own event loop: how the
// demonstration (and the Qt tests) play the user at a dialog.
#pragma once

#include <QTimer>
#include <functional>

class QWidget;

namespace ui {

// Calls `answer` with the next modal widget once it is shown; the callback
// must close it. The returned timer belongs to the application and goes once
// it has answered.
QTimer* answerNextModal(std::function<void(QWidget*)> answer);

}  // namespace ui
