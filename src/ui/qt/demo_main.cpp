// cantora-demo [FOLDER]: the desktop program's main job shown without a
// display (on Qt's offscreen platform when there is none). It starts the real
// main window as a 1920 x 1080 desktop shows it, chooses the virtual audio
// device, opens the example phrase the build made, selects its second note,
// shows the note readout, tunes the note to the A major scale, renders the
// window before and after, plays the tuned selection on the device (which
// captures what it plays), saves the track, and reports each step with the
// files' names. Every dialog is answered as a user would answer it.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QTest>
#include <QTimer>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/app_constants.h"
#include "app/main_window.h"
#include "audiofile/track_loader.h"
#include "demo_phrase.h"
#include "demo_track.h"
#include "modal_answer.h"
#include "platform/driver_catalogue.h"
#include "shell_window.h"
#include "state/app_state.h"
#include "tuning/pitch_readout.h"
#include "view/column_mapping.h"
#include "view/track_view.h"

namespace {

constexpr int DEMO_DESKTOP_WIDTH = 1920;
constexpr int DEMO_DESKTOP_HEIGHT = 1080;
constexpr int WAIT_MS = 60000;
// The notes of A major: A, B, C#, D, E, F#, G# (index 0 is "A", 11 "Ab").
constexpr const char* SCALE[] = {"A", "B", "Db", "D", "E", "Gb", "Ab"};
constexpr const char* VIRTUAL_DEVICE = "Virtual Audio Device";

constexpr const char* USAGE =
    "usage: cantora-demo [FOLDER]\n"
    "\n"
    "Shows Cantora's main job without a display: opens the example phrase in the\n"
    "real main window, selects a note, reads it out, tunes it to A major, plays it\n"
    "on the virtual audio device and saves it. Writes into FOLDER (default: the\n"
    "current folder): before.png and after.png (the window), tuning.png (the\n"
    "Tuning dialog), pitch-before.png and pitch-after.png (the window with the\n"
    "pitch curve shown before and after the tuning), played.wav (what the device\n"
    "played) and tuned.wav (the tuned track).\n";

// One line of the report, on its way at once.
__attribute__((format(printf, 1, 2))) void report(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

bool hasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

void chooseFile(const std::string& path) {
  ui::answerNextModal([path](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      dialog->selectFile(QString::fromStdString(path));
      QMetaObject::invokeMethod(dialog, "accept");
    } else {
      modal->close();
    }
  });
}

QPushButton* buttonNamed(QWidget* dialog, const QString& text) {
  for (QPushButton* b : dialog->findChildren<QPushButton*>())
    if (b->text().remove('&') == text) return b;
  return nullptr;
}

bool waitIdle(const state::AppState& app) {
  return QTest::qWaitFor([&] { return app.mode == state::TransportMode::Idle; }, WAIT_MS);
}

// Written under a temporary name and renamed when complete.
bool savePicture(const QImage& picture, const std::string& path) {
  QSaveFile file(QString::fromStdString(path));
  return !picture.isNull() && file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") &&
         file.commit();
}

// A catalogue with the bundled virtual device, run fast and capturing what it
// plays into `capture`. False when the bundled catalogue has no virtual device.
bool writeDemoCatalogue(const std::string& path, const std::string& capture) {
  const std::string bundled = platform::driverCataloguePath();
  platform::IniFile ini;
  if (!platform::readIniFile(bundled, ini)) return false;
  const platform::IniSection* device = ini.find(VIRTUAL_DEVICE);
  const platform::IniSection* classes = ini.find(platform::CATALOGUE_CLASS_SECTION);
  if (device == nullptr || classes == nullptr || device->find("clsid") == nullptr) return false;
  const std::string* library = classes->find(*device->find("clsid"));
  if (library == nullptr) return false;
  const std::filesystem::path libraryPath =
      std::filesystem::absolute(std::filesystem::path(bundled).parent_path() / *library);
  std::ofstream out(path);
  out << "[" << VIRTUAL_DEVICE << "]\nclsid = " << *device->find("clsid")
      << "\ndescription = " << VIRTUAL_DEVICE
      << "\nsamplerate = 44100\nsampletype = 16\ninput = silence\npacing = fast\nspeed = 8\n"
      << "capture = " << capture << "\n\n[classes]\n"
      << *device->find("clsid") << " = " << libraryPath.string() << "\n";
  return static_cast<bool>(out);
}

std::string readoutOf(const state::AppState& app) {
  const tuning::TrackSamples track{app.samples.get(), static_cast<int>(app.channels),
                                   app.frameCount};
  return std::string(tuning::PitchReadout(track, {app.selStart, app.selEnd, 1}).view());
}

// Shows the pitch curve, lets its analysis finish, saves the window to `path`
// and hides the curve again.
bool savePitchPicture(ui::ShellWindow& window, const state::AppState& app,
                      const std::string& path) {
  window.mainWindow().onCommand(app::CMD_PITCH_CURVE);
  const bool saved = waitIdle(app) && (QApplication::processEvents(), true) &&
                     savePicture(window.grab().toImage(), path);
  window.mainWindow().onCommand(app::CMD_PITCH_CURVE);
  return saved;
}

int fail(ui::ShellWindow& window, const char* what) {
  std::fprintf(stderr, "cantora-demo: %s\n", what);
  window.destroyWindow();
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(USAGE, stdout);
    return 0;
  }
  const std::filesystem::path folder =
      std::filesystem::absolute(argc == 2 ? argv[1] : std::filesystem::path("."));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string phrase = platform::executableDir() + "/../share/cantora/example-phrase.wav";
  const std::string before = (folder / "before.png").string();
  const std::string after = (folder / "after.png").string();
  const std::string dialogPicture = (folder / "tuning.png").string();
  const std::string pitchBefore = (folder / "pitch-before.png").string();
  const std::string pitchAfter = (folder / "pitch-after.png").string();
  const std::string played = (folder / "played.wav").string();
  const std::string tuned = (folder / "tuned.wav").string();
  const std::string catalogue = (folder / "demo-drivers.ini").string();
  if (!writeDemoCatalogue(catalogue, played)) {
    std::fprintf(stderr, "cantora-demo: no virtual audio device in %s\n",
                 platform::driverCataloguePath().c_str());
    return 1;
  }
  setenv(platform::DRIVER_CATALOGUE_VARIABLE, catalogue.c_str(), 1);
  if (!hasDisplay() && std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  static state::AppState app;

  ui::ShellWindow window(app, app::Size{DEMO_DESKTOP_WIDTH, DEMO_DESKTOP_HEIGHT});
  if (!window.start()) {
    std::fprintf(stderr, "cantora-demo: the window's off-screen image could not be created\n");
    return 1;
  }
  const app::Size outer = window.outerSize();
  report("Started the main window as on a %dx%d desktop: outer %dx%d (%s platform).\n",
         DEMO_DESKTOP_WIDTH, DEMO_DESKTOP_HEIGHT, outer.width, outer.height,
         qPrintable(QGuiApplication::platformName()));

  ui::answerNextModal([](QWidget* dialog) { buttonNamed(dialog, "OK")->click(); });
  window.mainWindow().onCommand(app::CMD_SELECT_DEVICE);
  if (!app.streamReady) return fail(window, "the virtual audio device did not start");
  report("ASIO devices > Select device: the virtual audio device, %u frames a block.\n",
         app.blockFrames);

  chooseFile(phrase);
  window.mainWindow().onCommand(app::CMD_OPEN);
  if (!waitIdle(app) || !app.hasTrack()) return fail(window, "the example phrase did not open");
  report("File > Open: %s, %u frames, %u channels (A3, C#4, E4 sung %+.0f, %+.0f, %+.0f cents).\n",
         phrase.c_str(), app.frameCount, app.channels, ui::DEMO_PHRASE_CENTS_OFF[0],
         ui::DEMO_PHRASE_CENTS_OFF[1], ui::DEMO_PHRASE_CENTS_OFF[2]);

  // The steady middle of the second note, so the readout hears no glide.
  const std::uint32_t noteStart = ui::demoNoteStart(1), noteEnd = ui::demoNoteEnd(1);
  const std::uint32_t margin = (noteEnd - noteStart) / 5;
  if (!ui::dragSelection(window, noteStart + margin, noteEnd - margin))
    return fail(window, "the selection could not be made");
  report("Selected frames %u to %u (the second note) with a mouse drag.\n", app.selStart,
         app.selEnd);
  if (!savePitchPicture(window, app, pitchBefore))
    return fail(window, "cannot write pitch-before.png");
  report("View > Pitch curve: wrote the window with the curve to %s (hidden again).\n",
         pitchBefore.c_str());

  // A right click on the selection: the readout, then the Tuning dialog, in
  // which the scale is checked and OK pressed. The window is rendered first.
  const std::string readBefore = readoutOf(app);
  bool beforeSaved = false, dialogSaved = false;
  ui::answerNextModal([&](QWidget* dialog) {
    beforeSaved = savePicture(window.grab().toImage(), before);
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
      for (const char* note : SCALE) box->setChecked(box->isChecked() || box->text() == note);
    dialogSaved = savePicture(dialog->grab().toImage(), dialogPicture);
    buttonNamed(dialog, "OK")->click();
  });
  const state::Rect pane = window.mainWindow().trackView().geometry.paneA;
  const int x = view::frameToColumn(app, pane, app.selStart + (app.selEnd - app.selStart) / 2);
  window.mainWindow().onRightButtonDown(x, pane.top + pane.height() / 2);
  if (!beforeSaved || !dialogSaved) return fail(window, "cannot write before.png or tuning.png");
  report("Right click on the selection: the readout \"%s\"; wrote the window to %s.\n",
         readBefore.c_str(), before.c_str());
  report(
      "Tuning...: A major (A B C# D E F# G#) checked (the dialog is in %s), OK: the note now reads "
      "\"%s\".\n",
      dialogPicture.c_str(), readoutOf(app).c_str());
  QApplication::processEvents();
  if (!savePicture(window.grab().toImage(), after)) return fail(window, "cannot write after.png");
  report("Wrote the window after the tuning to %s.\n", after.c_str());
  if (!savePitchPicture(window, app, pitchAfter))
    return fail(window, "cannot write pitch-after.png");
  report("View > Pitch curve: the tuned note's new curve beside its old one, in %s.\n",
         pitchAfter.c_str());

  window.button(app::CMD_PLAY)->click();
  if (!waitIdle(app)) return fail(window, "the playback did not end");
  report("Play: the tuned selection played on the virtual device.\n");

  app.selActive = false;
  chooseFile(tuned);
  window.mainWindow().onCommand(app::CMD_SAVE_AS);
  if (!waitIdle(app) || !std::filesystem::exists(tuned))
    return fail(window, "the tuned track was not saved");
  report("File > Save as...: wrote the whole track to %s.\n", tuned.c_str());

  window.destroyWindow();  // closes the device, which completes its capture
  audiofile::LoadedTrack heard;
  if (audiofile::loadTrack(played.c_str(), heard) == audiofile::LoadStatus::Loaded)
    report("The device's capture of what it played: %s, %u frames.\n", played.c_str(),
           heard.frameCount);
  return 0;
}
