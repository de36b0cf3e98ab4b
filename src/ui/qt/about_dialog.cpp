#include "about_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/app_constants.h"
#include "ui_constants.h"

namespace ui {

void runAboutDialog(QWidget* owner) {
  QDialog dialog(owner);
  dialog.setWindowTitle(QString::fromUtf8(app::ABOUT_CAPTION));
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = new QLabel(QString::fromUtf8(app::ABOUT_TEXT), &dialog);
  text->setObjectName(ABOUT_TEXT_NAME);
  text->setTextFormat(Qt::PlainText);
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.exec();
}

}  // namespace ui
