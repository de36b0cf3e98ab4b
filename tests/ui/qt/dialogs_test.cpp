// The dialogs behind Shell: the device list and the tuning dialog hand back
// exactly what the user chose, start afresh each time and sit where asked.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

#include "app/app_constants.h"
#include "qt_test_helpers.h"
#include "ui/qt/client_area.h"

namespace qttest {
namespace {

using Dialogs = WindowTest;

TEST_F(Dialogs, DeviceListStartsAtTheFirstNameAndReturnsTheChoice) {
  QStringList listed;
  int selectedAtStart = -2;
  answerNextModal([&](QWidget* dialog) {
    auto* list = dialog->findChild<QComboBox*>();
    for (int i = 0; i < list->count(); ++i) listed << list->itemText(i);
    selectedAtStart = list->currentIndex();
    list->setCurrentIndex(2);
    buttonNamed(dialog, "OK")->click();
  });
  EXPECT_EQ(window->runDeviceDialog({"Virtual audio device", "JACK", "Spare"}), 2);
  EXPECT_EQ(listed, (QStringList{"Virtual audio device", "JACK", "Spare"}));
  EXPECT_EQ(selectedAtStart, 0);

  answerNextModal([&](QWidget* dialog) { buttonNamed(dialog, "Cancel")->click(); });
  EXPECT_EQ(window->runDeviceDialog({"Virtual audio device"}), std::nullopt);
  answerNextModal([&](QWidget* dialog) { buttonNamed(dialog, "OK")->click(); });
  EXPECT_EQ(window->runDeviceDialog({}), -1) << "OK on an empty list chooses nothing";
}

TEST_F(Dialogs, TuningHandsOverTheNotesShiftAndGraceThenEnds) {
  QRect frame;
  int checked = -1, shift = -1, grace = -1;
  // Notes the dialog's state as opened and its place; then `act` answers it.
  auto answer = [&](std::function<void(QWidget*)> act) {
    answerNextModal([&, act](QWidget* dialog) {
      frame = dialog->frameGeometry();
      checked = 0;
      for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) checked += box->isChecked();
      for (QSlider* s : dialog->findChildren<QSlider*>())
        (s->orientation() == Qt::Vertical ? shift : grace) = s->value();
      act(dialog);
    });
  };
  answer([](QWidget* dialog) {
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
      box->setChecked(box->text() == "C" || box->text() == "Ab");
    for (QSlider* s : dialog->findChildren<QSlider*>())
      // Three semitones up the vertical slider is down in pitch.
      s->setValue(s->orientation() == Qt::Vertical ? s->value() - 3 : 25);
    buttonNamed(dialog, "OK")->click();
  });
  std::optional<app::TuningChoice> got;
  bool buttonsDisabledDuringTuning = false;
  auto onOk = [&](const app::TuningChoice& choice) {
    got = choice;
    QWidget* dialog = QApplication::activeModalWidget();
    buttonsDisabledDuringTuning =
        !buttonNamed(dialog, "OK")->isEnabled() && !buttonNamed(dialog, "Cancel")->isEnabled();
  };
  EXPECT_EQ(window->runTuningDialog(false, onOk), 1);
  EXPECT_EQ(checked, 0);
  EXPECT_EQ(shift, 12) << "pitch shift 0 at the start";
  EXPECT_EQ(grace, 4) << "Grace 40 at the start";
  ASSERT_TRUE(got.has_value());
  EXPECT_TRUE(buttonsDisabledDuringTuning);
  // Index 3 is "C", 11 is "Ab".
  for (int i = 0; i < 12; ++i) EXPECT_EQ(got->noteEnabled[i], i == 3 || i == 11) << "note " << i;
  EXPECT_EQ(got->pitchShift, -3);
  EXPECT_DOUBLE_EQ(got->grace, 250.0);
  // Not on the left: 8 pixels right of the client area's top-left corner.
  const QPoint client = window->clientArea()->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(frame.topLeft(), client + QPoint(8, 0));

  // Cancel ends with 2 and tunes nothing; the next opening starts afresh.
  bool tuned = false;
  answer([](QWidget* dialog) { buttonNamed(dialog, "Cancel")->click(); });
  EXPECT_EQ(window->runTuningDialog(true, [&](const app::TuningChoice&) { tuned = true; }), 2);
  EXPECT_FALSE(tuned);
  EXPECT_EQ(std::make_tuple(checked, shift, grace), std::make_tuple(0, 12, 4));
  EXPECT_EQ(frame.right() + 1, client.x() + window->clientArea()->width() - 8)
      << "on the left: the dialog's right edge 8 pixels inside the client area";
  EXPECT_EQ(frame.top(), client.y());
}

TEST_F(Dialogs, TheSaveDialogAnswersAWorkerWithThePathChosen) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString chosen = dir.filePath("take 1.wav");
  QString offered;
  chooseInFileDialog(chosen, &offered);
  std::atomic<bool> done{false};
  std::optional<std::string> path;
  std::thread worker([&] {
    path = window->saveFileDialogFromWorker("Out.wav");
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
  worker.join();
  EXPECT_EQ(offered, QString("Out.wav"));
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(*path, chosen.toStdString());

  answerNextModal([&](QWidget* modal) { modal->close(); });
  EXPECT_EQ(window->saveFileDialog("Out.wav"), std::nullopt) << "cancelled: no name";
}

}  // namespace
}  // namespace qttest
