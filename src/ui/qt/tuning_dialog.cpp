#include "tuning_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWindow>
#include <array>

#include "ui_constants.h"

namespace ui {

namespace {

// The dialog is laid out in dialog units of the font in use: 4 units are the
// average character width (of the 52 letters), 8 units the font's height.
struct DialogUnits {
  double x = 1.5;
  double y = 1.625;

  explicit DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double average = metrics.horizontalAdvance(QStringLiteral(
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                           52.0;
    if (average > 0.0) x = average / 4.0;
    if (metrics.height() > 0.0) y = metrics.height() / 8.0;
  }
  QRect operator()(int ux, int uy, int w, int h) const {
    return QRect(static_cast<int>(ux * x), static_cast<int>(uy * y), static_cast<int>(w * x),
                 static_cast<int>(h * y));
  }
};

struct NoteBox {
  const char* name;
  int y;  // in dialog units; the column runs from C at the top down to B
};
// In note order: index 0 is "A", 11 is "Ab".
constexpr std::array<NoteBox, 12> NOTE_BOXES = {{{"A", 139},
                                                 {"Bb", 152},
                                                 {"B", 165},
                                                 {"C", 24},
                                                 {"Db", 37},
                                                 {"D", 50},
                                                 {"Eb", 62},
                                                 {"E", 75},
                                                 {"F", 88},
                                                 {"Gb", 101},
                                                 {"G", 114},
                                                 {"Ab", 127}}};

constexpr int SHIFT_STEPS = 24;  // -12..+12 semitones
constexpr int SHIFT_ZERO = 12;
constexpr int GRACE_STEPS = 25;  // 0..250 ms in steps of 10
constexpr int GRACE_START = 4;
constexpr double GRACE_STEP_MS = 10.0;
constexpr int DIALOG_MARGIN = 8;  // pixels between the dialog and the client area's side

// A label at (x, y) in dialog units, as wide as its text.
QLabel* label(QDialog* dialog, const DialogUnits& units, const char* text, int x, int y) {
  auto* l = new QLabel(QString::fromUtf8(text), dialog);
  l->move(units(x, y, 0, 0).topLeft());
  l->adjustSize();
  return l;
}

}  // namespace

int runTuningDialog(QWidget* owner, QPoint clientOrigin, int clientWidth, bool onLeft,
                    const std::function<void(const app::TuningChoice&)>& onOk) {
  QDialog dialog(owner);
  const DialogUnits units(dialog.font());
  dialog.setWindowTitle(QString::fromUtf8(TUNING_DIALOG_CAPTION));
  dialog.setFixedSize(units(0, 0, 163, 239).size());

  auto* group = new QGroupBox(&dialog);
  group->setGeometry(units(4, 1, 57, 178));
  label(&dialog, units, "Note Selection", 8, 8);
  std::array<QCheckBox*, 12> notes{};
  for (std::size_t i = 0; i < notes.size(); ++i) {
    notes[i] = new QCheckBox(QString::fromUtf8(NOTE_BOXES[i].name), &dialog);
    notes[i]->setGeometry(units(10, NOTE_BOXES[i].y, 29, 10));
  }

  label(&dialog, units, "Pitch shift", 114, 8);
  label(&dialog, units, "-12 semitones", 85, 26);
  label(&dialog, units, "0 - none", 100, 96);
  label(&dialog, units, "+12 semitones", 85, 166);
  auto* shift = new QSlider(Qt::Vertical, &dialog);
  shift->setGeometry(units(135, 22, 21, 157));
  shift->setRange(0, SHIFT_STEPS);
  shift->setValue(SHIFT_ZERO);
  shift->setInvertedAppearance(true);  // -12 at the top
  shift->setTickPosition(QSlider::TicksBothSides);

  label(&dialog, units, "Grace", 70, 183);
  label(&dialog, units, "0", 6, 183);
  label(&dialog, units, "250", 130, 183);
  auto* grace = new QSlider(Qt::Horizontal, &dialog);
  grace->setGeometry(units(4, 195, 152, 20));
  grace->setRange(0, GRACE_STEPS);
  grace->setValue(GRACE_START);
  grace->setTickPosition(QSlider::TicksBelow);

  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  ok->setGeometry(units(108, 223, 50, 14));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
  cancel->setGeometry(units(4, 223, 50, 14));

  QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
    // The dialog stays open and inert while the tuning runs inside onOk.
    ok->setEnabled(false);
    cancel->setEnabled(false);
    app::TuningChoice choice;
    for (std::size_t i = 0; i < notes.size(); ++i) choice.noteEnabled[i] = notes[i]->isChecked();
    choice.pitchShift = shift->value() - SHIFT_ZERO;
    choice.grace = grace->value() * GRACE_STEP_MS;
    onOk(choice);
    dialog.done(1);
  });
  QObject::connect(cancel, &QPushButton::clicked, &dialog, [&] { dialog.done(2); });

  // At the client area's top, to one side of it: the right edge 8 pixels
  // inside the client area when the readout is on the left, else the left
  // edge 8 pixels right of the client area's corner. The frame's width is
  // known once the window exists (on some systems only once it is shown, so
  // the place is set again then).
  auto place = [&] {
    const QWindow* native = dialog.windowHandle();
    const QMargins frame = native != nullptr ? native->frameMargins() : QMargins();
    const int width = dialog.width() + frame.left() + frame.right();
    const int x = onLeft ? clientOrigin.x() + clientWidth - width - DIALOG_MARGIN
                         : clientOrigin.x() + DIALOG_MARGIN;
    dialog.move(x, clientOrigin.y());
  };
  dialog.winId();
  place();
  QTimer::singleShot(0, &dialog, place);
  const int result = dialog.exec();
  return result == 1 ? 1 : 2;
}

}  // namespace ui
