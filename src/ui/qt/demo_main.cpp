// cantora-demo OUT.png: starts the real main window without a display (on Qt's
// offscreen platform when there is none), as a 1920 x 1080 desktop would show
// it, places a synthesised track with a selection, and saves the window as a
// PNG picture.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QSaveFile>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo_track.h"
#include "shell_window.h"
#include "state/app_state.h"

namespace {

// One line of the report, on its way at once.
__attribute__((format(printf, 1, 2))) void report(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

constexpr int DEMO_DESKTOP_WIDTH = 1920;
constexpr int DEMO_DESKTOP_HEIGHT = 1080;

bool hasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cantora-demo OUT.png\n");
    return 2;
  }
  const std::string out = argv[1];
  if (!hasDisplay() && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication application(argc, argv);
  static state::AppState appState;

  ui::ShellWindow window(appState, app::Size{DEMO_DESKTOP_WIDTH, DEMO_DESKTOP_HEIGHT});
  if (!window.start()) {
    std::fprintf(stderr, "cantora-demo: the window's off-screen image could not be created\n");
    return 1;
  }
  const app::Size outer = window.outerSize();
  const app::Size client = window.clientSize();
  report(
      "Started the main window as on a %dx%d desktop: outer %dx%d at (%d, %d), client %dx%d (%s "
      "platform).\n",
      DEMO_DESKTOP_WIDTH, DEMO_DESKTOP_HEIGHT, outer.width, outer.height,
      window.frameGeometry().x(), window.frameGeometry().y(), client.width, client.height,
      qPrintable(QGuiApplication::platformName()));

  const ui::DemoTrack track = ui::placeDemoTrack(window);
  if (track.frames == 0) {
    report("No memory for the demonstration track; the window is shown empty.\n");
  } else {
    report(
        "Placed a synthesised sung phrase (A3, C#4, E4 with vibrato): %u frames, %u channels, %.2f "
        "s at 44100 Hz.\n",
        track.frames, track.channels, track.frames / 44100.0);
    if (track.selEnd > track.selStart) {
      report("Selected frames %u to %u with a mouse drag over pane A.\n", track.selStart,
             track.selEnd);
    }
  }
  QApplication::processEvents();

  // Written under a temporary name and renamed when complete: a failed run
  // leaves no partial picture and keeps an earlier one.
  const QImage picture = window.grab().toImage();
  QSaveFile file(QString::fromLocal8Bit(out.c_str()));
  if (picture.isNull() || !file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") ||
      !file.commit()) {
    std::fprintf(stderr, "cantora-demo: cannot write %s: %s\n", out.c_str(),
                 qPrintable(file.errorString()));
    window.destroyWindow();
    return 1;
  }
  report("Wrote the window (%dx%d pixels, menu bar and client area) to %s.\n", picture.width(),
         picture.height(), out.c_str());
  window.destroyWindow();
  return 0;
}
