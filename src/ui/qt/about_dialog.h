// The About box: the program's name and version with an OK button.
#pragma once

class QWidget;

namespace ui {

// Modal, owned by `owner`; returns when the user closes it.
void runAboutDialog(QWidget* owner);

}  // namespace ui
