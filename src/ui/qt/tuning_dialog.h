// "Tuning...": the allowed notes, the pitch shift (-12..+12 semitones) and
// Grace (0..250 ms). Every opening starts afresh: no note checked, shift 0,
// Grace 40.
#pragma once

#include <QPoint>
#include <functional>

#include "app/shell.h"

class QWidget;

namespace ui {

// Runs the dialog modally over the client area whose top-left corner is at
// `clientOrigin` (screen coordinates). `onLeft` moves it to the right side.
// On OK the buttons are disabled, `onOk` runs with the choice, and the result
// is 1; Cancel gives 2.
int runTuningDialog(QWidget* owner, QPoint clientOrigin, int clientWidth, bool onLeft,
                    const std::function<void(const app::TuningChoice&)>& onOk);

}  // namespace ui
