#include "demo_track.h"

#include "app/file_worker.h"
#include "app/main_window.h"
#include "shell_window.h"
#include "view/column_mapping.h"
#include "view/peaks.h"

namespace ui {

bool showTrack(ShellWindow& window, std::unique_ptr<std::int16_t[]> samples, std::uint32_t frames,
               std::uint32_t channels) {
  app::MainWindow& main = window.mainWindow();
  state::AppState& app = main.appState();
  if (!samples || frames == 0 || (channels != 1 && channels != 2)) return false;
  app.selActive = false;
  app.channels = channels;
  app.stereo = channels == 2;
  app::PeakFiller peaks(frames, channels, app.initialPaneWidth);
  peaks.finish(samples.get(), frames, app);
  app.samples = std::move(samples);
  app.frameCount = frames;
  app::showNewTrack(main.context());
  return true;
}

bool dragSelection(ShellWindow& window, std::uint32_t fromFrame, std::uint32_t toFrame) {
  app::MainWindow& main = window.mainWindow();
  const state::AppState& app = main.appState();
  const state::Rect pane = main.trackView().geometry.paneA;
  const int y = (pane.top + pane.bottom) / 2;
  const int from = view::frameToColumn(app, pane, fromFrame);
  const int to = view::frameToColumn(app, pane, toFrame);
  if (from < 0 || to < 0) return false;
  if (main.onLeftButtonDown(from, y)) {
    main.onDragDetected();
    for (int x = from; x <= to; x += 16) main.onMouseMove(x, y);
    main.onMouseMove(to, y);
    main.onLeftButtonUp(to, y);
  }
  return app.selActive;
}

}  // namespace ui
