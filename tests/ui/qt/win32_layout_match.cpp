// Holds the Qt window against the Windows one: reads what the Windows
// window's layout test measured under Wine ("W H name left top right bottom"
// per line, client coordinates), gives the Qt window each of those client
// sizes and compares its panes, scroll bar and buttons rectangle for
// rectangle. Run by scripts/test-windows; exit status 0 when all agree.
//   qt_win32_layout_match MEASURED_FILE
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/qt/client_area.h"
#include "ui/qt/shell_window.h"
#include "view/track_view.h"

namespace {

using Rects = std::map<std::string, state::Rect>;

state::Rect fromQRect(const QRect& r) {
  return state::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The Qt window's rectangles at client size (w, h).
Rects qtRects(ui::ShellWindow& window, int w, int h) {
  // The Windows frame is thinner than Qt's menu bar and offscreen frame: a
  // client size the Windows window has at its minimum lies below the Qt
  // window's own minimum, which is lifted here to compare like with like.
  window.setMinimumSize(0, 0);
  const QSize client = window.clientArea()->size();
  window.resize(window.width() + w - client.width(), window.height() + h - client.height());
  QApplication::processEvents();
  Rects rects;
  if (window.clientArea()->size() != QSize(w, h)) return rects;
  const view::Layout& g = window.mainWindow().trackView().geometry;
  rects["paneA"] = g.paneA;
  rects["paneB"] = g.paneB;
  rects["scrollBar"] = fromQRect(window.scrollBar()->geometry());
  for (int id = 200; id < 207; ++id)
    rects["button" + std::to_string(id)] = fromQRect(window.button(id)->geometry());
  return rects;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qt_win32_layout_match MEASURED_FILE\n");
    return 2;
  }
  std::map<std::pair<int, int>, Rects> measured;
  std::ifstream in(argv[1]);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    int w = 0, h = 0;
    std::string name;
    state::Rect r;
    if (words >> w >> h >> name >> r.left >> r.top >> r.right >> r.bottom)
      measured[{w, h}][name] = r;
  }
  if (measured.empty()) {
    std::fprintf(stderr, "layout-match: nothing measured in %s\n", argv[1]);
    return 1;
  }
  QApplication application(argc, argv);
  static state::AppState app;
  ui::ShellWindow window(app, app::Size{1920, 1080});
  if (!window.start()) return 1;
  QApplication::processEvents();
  int failures = 0;
  for (const auto& [size, win32] : measured) {
    const Rects qt = qtRects(window, size.first, size.second);
    for (const auto& [name, r] : win32) {
      const auto found = qt.find(name);
      const bool same = found != qt.end() && found->second == r;
      failures += !same;
      if (!same)
        std::fprintf(stderr, "layout-match: %dx%d %s differs (Windows %d %d %d %d)\n", size.first,
                     size.second, name.c_str(), r.left, r.top, r.right, r.bottom);
    }
    std::printf("layout-match: client %d x %d: %zu rectangles compared\n", size.first, size.second,
                win32.size());
  }
  window.destroyWindow();
  return failures == 0 ? 0 : 1;
}
