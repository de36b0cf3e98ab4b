// The whole road in the real window, as a user takes it: the virtual device
// chosen from the menu, an MP3 and a WAV opened through the file dialog (the
// progress box, then the waveform), a selection dragged, the readout and the
// Tuning dialog from a right click in pane B, the tuned selection heard on
// the device. (Undo and Save as: the application's tests; the save dialog
// answering a worker: the dialog tests.)
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <mutex>
#include <numbers>

#include "app/app_constants.h"
#include "app/readout_display.h"
#include "audiofile/audio_test_files.h"
#include "audiofile/track_loader.h"
#include "host/hostkit_testing.h"
#include "host/test_catalogue.h"
#include "qt_test_helpers.h"
#include "ui/qt/client_area.h"
#include "view/play_cursor.h"

namespace qttest {
namespace {

using state::TransportMode;
using Road = WindowTest;

// Five seconds of stereo: A4 on the first channel, 450 Hz on the second.
void writeTones(const std::string& path) {
  std::vector<std::int16_t> s(2 * 5 * 44100);
  for (std::size_t f = 0; f < s.size() / 2; ++f)
    for (int c = 0; c < 2; ++c)
      s[2 * f + c] = static_cast<std::int16_t>(
          11000 * std::sin(2 * std::numbers::pi * (c == 0 ? 440.0 : 450.0) * f / 44100.0));
  testfiles::writeFile(path, testfiles::pcmWav(2, 44100, s));
}

TEST_F(Road, OpenTuneAndHearInTheWindow) {
  hosttest::TempFolder folder;
  const std::string capture = folder.path() + "/played.wav";
  const hosttest::ScopedEnv catalogue(
      "CANTORA_DRIVER_CATALOGUE",
      folder
          .write("drivers.ini", hosttest::virtualCatalogue(
                                    "pacing = fast\nspeed = 8\nsampletype = 16\ninput = silence\n"
                                    "capture = " +
                                    capture + "\n"))
          .c_str());
  // Before there is a track Play says so.
  BoxSeen refused;
  answerNextMessageBox(refused, QMessageBox::Ok);
  window->button(app::CMD_PLAY)->click();
  EXPECT_EQ(refused.text, QString(app::MSG_NO_AUDIO));
  EXPECT_EQ(refused.icon, QMessageBox::Warning);

  answerNextModal([](QWidget* dialog) { buttonNamed(dialog, "OK")->click(); });
  window->menuAction(app::CMD_SELECT_DEVICE)->trigger();
  ASSERT_TRUE(app.streamReady);

  const std::string wav = folder.path() + "/tones.wav";
  const std::string mp3 = folder.path() + "/tones.mp3";
  writeTones(wav);
  ASSERT_EQ(std::system(("lame --quiet '" + wav + "' '" + mp3 + "'").c_str()), 0);

  for (const std::string& file : {mp3, wav}) {
    SCOPED_TRACE(file);
    chooseInFileDialog(QString::fromStdString(file));
    bool boxSeen = false;
    window->menuAction(app::CMD_OPEN)->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          if (std::unique_lock lock{app.viewMutex, std::try_to_lock})
            boxSeen = boxSeen || view().progressShown;
          return app.mode == TransportMode::Idle;
        },
        30000));
    EXPECT_TRUE(boxSeen || app.hasTrack()) << "the progress box or, already, the track";
    ASSERT_TRUE(app.hasTrack());
    EXPECT_TRUE(app.stereo);
    QApplication::processEvents();
    // The window shows the drawn track; the play cursor at the start goes
    // with its strips.
    EXPECT_GT(mismatches(grabClient()), 0);
    view::erasePlayCursor(view(), app, *window);
    QApplication::processEvents();
    EXPECT_EQ(mismatches(grabClient()), 0);
  }

  // Drag a selection over the middle of pane A.
  QWidget* client = window->clientArea();
  const view::Rect a = view().geometry.paneA;
  const view::Rect b = view().geometry.paneB;
  const int y = (a.top + a.bottom) / 2;
  const QPoint from(a.left + a.width() * 3 / 10, y), to(a.left + a.width() * 6 / 10, y);
  drag(client, from, to);
  ASSERT_TRUE(app.selActive);
  const std::uint32_t selStart = app.selStart, selEnd = app.selEnd;
  std::vector<std::int16_t> right(selEnd - selStart), left(selEnd - selStart);
  for (std::uint32_t f = selStart; f < selEnd; ++f) {
    left[f - selStart] = app.samples[2 * f];
    right[f - selStart] = app.samples[2 * f + 1];
  }

  // A right click in pane B: the readout is on the window when the dialog
  // opens; two notes are checked and OK pressed.
  int readoutPixels = 0;
  answerNextModal([&](QWidget* dialog) {
    const QImage shown = grabClient();
    const view::Rect area = app.readout[1].rect;
    for (int yy = area.top; yy < area.bottom; ++yy)
      for (int xx = area.left; xx < area.right; ++xx)
        readoutPixels += rgb(shown, xx, yy) == app::READOUT_TEXT_COLOUR;
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
      box->setChecked(box->text() == "A" || box->text() == "E");
    buttonNamed(dialog, "OK")->click();
  });
  mouse(client, QEvent::MouseButtonPress, QPoint((from.x() + to.x()) / 2, b.top + 20),
        Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(app.mode, TransportMode::Idle);
  EXPECT_GT(readoutPixels, 0) << "yellow text in pane B's readout area";
  EXPECT_TRUE(window->menuAction(app::CMD_UNDO_TUNING)->isEnabled());
  std::vector<std::int16_t> tuned(selEnd - selStart);
  bool leftKept = true;
  for (std::uint32_t f = selStart; f < selEnd; ++f) {
    tuned[f - selStart] = app.samples[2 * f + 1];
    leftKept = leftKept && app.samples[2 * f] == left[f - selStart];
  }
  EXPECT_TRUE(leftKept);
  EXPECT_NE(tuned, right);

  // Play the selection: the device's capture holds the tuned second channel.
  window->button(app::CMD_PLAY)->click();
  EXPECT_FALSE(window->button(app::CMD_PLAY)->isEnabled());
  // The audio path posts Stop at the end; the window's loop handles it.
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.mode == TransportMode::Idle; }, 30000));
  EXPECT_TRUE(window->button(app::CMD_PLAY)->isEnabled());
  window->destroyWindow();  // closes the device, which completes the capture
  host::resetHostForTesting();
  audiofile::LoadedTrack heard;
  ASSERT_EQ(audiofile::loadTrack(capture.c_str(), heard), audiofile::LoadStatus::Loaded);
  bool found = false;
  for (std::uint32_t at = 0; !found && at + tuned.size() <= heard.frameCount; ++at) {
    found = true;
    for (std::size_t i = 0; found && i < tuned.size(); ++i)
      found = heard.samples[2 * (at + i) + 1] == tuned[i] && heard.samples[2 * (at + i)] == left[i];
  }
  EXPECT_TRUE(found) << "the tuned selection was played";
}

// `cantora FILE`: the file opens at start-up as File > Open opens it.
TEST_F(Road, AFileNamedAtStartUpOpensAsTheMenuWould) {
  hosttest::TempFolder folder;
  const std::string wav = folder.path() + "/tones.wav";
  writeTones(wav);
  window->openFile(wav);
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.mode == TransportMode::Idle; }, 30000));
  ASSERT_TRUE(app.hasTrack());
  EXPECT_EQ(app.frameCount, (5u * 44100 + 4607) / 4608 * 4608);
  // The worker's last calls reach the widgets queued, after mode is Idle.
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->scrollBar()->isEnabled(); }, 5000));

  // A file that cannot be read says so, as from the menu.
  BoxSeen box;
  answerNextMessageBox(box, QMessageBox::Ok);
  window->openFile(folder.path() + "/none.wav");
  ASSERT_TRUE(QTest::qWaitFor([&] { return box.seen && app.mode == TransportMode::Idle; }, 30000));
  EXPECT_EQ(box.text, QString("Could not load or read this file!"));
  EXPECT_EQ(box.caption, QString("File load error"));
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_FALSE(app.hasTrack());
}

}  // namespace
}  // namespace qttest
