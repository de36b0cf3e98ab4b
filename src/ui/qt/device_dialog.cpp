#include "device_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "ui_constants.h"

namespace ui {

std::optional<int> runDeviceDialog(QWidget* owner, const std::vector<std::string>& names) {
  QDialog dialog(owner);
  dialog.setWindowTitle(QString::fromUtf8(DEVICE_DIALOG_CAPTION));
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QComboBox(&dialog);
  for (const std::string& name : names) list->addItem(QString::fromLocal8Bit(name));
  if (!names.empty()) list->setCurrentIndex(0);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return list->currentIndex();
}

}  // namespace ui
