#include "app/main_window.h"

#include <algorithm>
#include <thread>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "app/audio_callbacks.h"
#include "app/can_act.h"
#include "app/device_selection.h"
#include "app/file_commands.h"
#include "app/file_worker.h"
#include "app/pitch_curve_worker.h"
#include "app/scrolling.h"
#include "app/selection.h"
#include "app/transport_buttons.h"
#include "app/tuning_command.h"
#include "app/undo_tuning.h"
#include "app/view_lock.h"
#include "app/window_layout.h"
#include "app/zoom.h"
#include "view/column_mapping.h"
#include "view/highlight.h"
#include "view/pane_background.h"
#include "view/track_view.h"
#include "view/view_constants.h"

namespace app {

using state::TransportMode;

MainWindow::MainWindow(state::AppState& app, Shell& shell)
    : app_(app), shell_(shell), view_(std::make_unique<view::TrackView>()) {
  ctx_ = std::make_unique<AppContext>(app_, shell_, *view_);
  ctx_->settle = [](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); };
}

MainWindow::~MainWindow() = default;

view::TrackView& MainWindow::trackView() {
  return *view_;
}

void MainWindow::setTransportHost(std::unique_ptr<TransportHost> host) {
  ctx_->host = std::move(host);
}

void MainWindow::setSettleWait(std::function<void(std::chrono::milliseconds)> wait) {
  ctx_->settle = std::move(wait);
}

WindowPlacement MainWindow::initialPlacement(Size desktop) {
  // Always up to the next multiple of 8 strictly above: a multiple grows by 8.
  auto roundUp = [](int v) {
    const int rest = ((v % WINDOW_SIZE_STEP) + WINDOW_SIZE_STEP) % WINDOW_SIZE_STEP;
    return v + (WINDOW_SIZE_STEP - rest);
  };
  WindowPlacement p;
  p.width = std::max(roundUp(desktop.width - DESKTOP_WIDTH_MARGIN), MIN_WINDOW_WIDTH);
  p.height = std::max(roundUp(3 * (desktop.height / 4) - DESKTOP_HEIGHT_MARGIN), MIN_WINDOW_HEIGHT);
  // The top uses the horizontal margin too.
  p.x = std::max((desktop.width - p.width) / 2, 0);
  p.y = p.x;
  return p;
}

bool MainWindow::onCreate() {
  shell_.enableUndoTuning(false);
  app_.undo.discard();
  if (!layOutWindow(*ctx_, shell_.clientSize())) return false;
  app_.initialPaneWidth = view_->geometry.paneWidth();
  resetScrollBar(*ctx_);
  refreshSizeLimits();
  return true;
}

void MainWindow::onDestroy() {
  if (state::isStreaming(app_.mode)) {
    app_.follow = false;
    if (ctx_->host) ctx_->host->streamStop();
    app_.mode = TransportMode::Idle;
  }
  if (app_.streamReady && ctx_->host) ctx_->host->streamClose();
  if (app_.driverOpen && ctx_->host) ctx_->host->hostShutdown();
  // No callback runs any more; a re-layout the last follow step started may.
  setAudioContext(nullptr);
  waitForRelayouts(*ctx_);
  waitForWorkers(*ctx_);
  app_.streamReady = false;
  app_.driverOpen = false;
  app_.chunks.free();
  app_.chunkCount = 0;
  discardUndo(*ctx_);
  app_.freeTrack();
  app_.spoolBuffer.reset();
  // A re-layout or the last follow step may still be drawing.
  { ViewLock lock = ViewLock::take(app_.viewMutex); }
  view::freeDrawingResources(*view_);
}

void MainWindow::onSize(Size client) {
  // Skipped, not queued, while the view is held: a later size message or the
  // re-layout worker repeats it. The image is read under the lock too: a
  // re-layout worker may be replacing it.
  if (ViewLock lock = ViewLock::tryTake(app_.viewMutex)) {
    const view::Image& image = view_->image;
    const bool same =
        image.valid() && client.width == image.width() && client.height == image.height();
    if (!same && layOutWindow(*ctx_, client)) refitZoom(*ctx_);
  }
  refreshSizeLimits();
}

SizeLimits MainWindow::sizeLimits() const {
  if (!resizeAllowed(app_.mode)) {
    const Size layout{app_.layoutWidth, app_.layoutHeight};
    return {layout, layout};
  }
  return {{MIN_WINDOW_WIDTH, MIN_WINDOW_HEIGHT}, std::nullopt};
}

void MainWindow::refreshSizeLimits() {
  const SizeLimits limits = sizeLimits();
  if (lastLimits_ && *lastLimits_ == limits) return;
  lastLimits_ = limits;
  shell_.setSizeLimits(limits.minimum, limits.maximum);
}

void MainWindow::quitRequest() {
  if (!CanAct(*ctx_, TransportAction::Quit)) return;
  if (shell_.messageBox(MSG_QUIT, CAPTION_QUIT, MessageIcon::Question, MessageButtons::OkCancel,
                        true) == MessageResult::Ok)
    shell_.destroyWindow();
}

void MainWindow::onClose() {
  quitRequest();
}

void MainWindow::onChar(char c) {
  if (c == 'U' || c == 'u') undoTuning(*ctx_);
  if (c == 'P' || c == 'p') togglePitchCurve(*ctx_);
  afterEvent();
}

void MainWindow::afterEvent() {
  // The track may be free again (a worker or a tuning ended, the transport
  // stopped): the pitch curve's analysis runs then.
  requestPitchAnalysis(*ctx_);
  refreshSizeLimits();
}

void MainWindow::onHScroll(ScrollRequest request, int trackPos) {
  if (!CanAct(*ctx_, TransportAction::Scroll)) return;
  shell_.focusScrollBar();
  ViewLock lock = ViewLock::take(app_.viewMutex);
  switch (request) {
    case ScrollRequest::LineLeft:
      if (app_.selActive)
        moveSelectionEnd(*ctx_, SelectionEndMove::Left);
      else
        scrollBy(*ctx_, -SCROLL_ARROW_COLUMNS);
      break;
    case ScrollRequest::LineRight:
      if (app_.selActive)
        moveSelectionEnd(*ctx_, SelectionEndMove::Right);
      else
        scrollBy(*ctx_, SCROLL_ARROW_COLUMNS);
      break;
    case ScrollRequest::PageLeft:
      scrollBy(*ctx_, -app_.scrollPage);
      break;
    case ScrollRequest::PageRight:
      scrollBy(*ctx_, app_.scrollPage);
      break;
    case ScrollRequest::ThumbTrack:
      thumbTrack(*ctx_, trackPos);
      break;
    case ScrollRequest::Other:
      break;
  }
}

bool MainWindow::onLeftButtonDown(int x, int y) {
  if (!CanAct(*ctx_, TransportAction::Select)) return false;
  if (!view::hitTest(app_, view_->geometry, x, y)) return false;
  beginSelection(*ctx_, x);
  return true;
}

void MainWindow::onDragDetected() {
  app_.dragging = true;
}

void MainWindow::onMouseMove(int x, int) {
  if (!app_.dragging || x >= view_->image.width()) return;
  ViewLock lock = ViewLock::take(app_.viewMutex);
  extendSelection(*ctx_, x);
}

void MainWindow::onLeftButtonUp(int, int) {
  if (!app_.dragging) return;
  app_.dragging = false;
  if (!app_.selActive) return;
  ViewLock lock = ViewLock::take(app_.viewMutex);
  completeSelection(*ctx_);
}

void MainWindow::onRightButtonDown(int x, int y) {
  if (view::hitTest(app_, view_->geometry, x, y) && CanAct(*ctx_, TransportAction::Tune)) {
    refreshSizeLimits();  // fixed while the tuning runs
    TuningCommand(*ctx_, x, y);
  }
  afterEvent();
}

void MainWindow::selectDevice() {
  if (app_.deviceIndex >= 0 || app_.driverOpen) {
    shell_.messageBox(MSG_DEVICE_ALREADY_SELECTED, CAPTION_DEVICES, MessageIcon::Exclamation,
                      MessageButtons::Ok, false);
    return;
  }
  if (app_.selActive) {
    if (view::computeSelectionColumns(*view_, app_)) {
      view::highlightColumns(*view_, app_, shell_, view_->selStartCol, view_->selEndCol, false);
      view_->selShown = false;
    }
    app_.selActive = false;
    view::eraseReadouts(app_, shell_);
  }
  runDeviceSelection(*ctx_);
}

void MainWindow::openFile(const std::string& path) {
  if (CanAct(*ctx_, TransportAction::Open)) openTrackFile(*ctx_, path);
  afterEvent();
}

void MainWindow::onCommand(int id) {
  switch (id) {
    case CMD_OPEN:
      if (CanAct(*ctx_, TransportAction::Open)) openTrack(*ctx_);
      break;
    case CMD_SAVE_AS:
      if (CanAct(*ctx_, TransportAction::SaveAs)) saveTrackAs(*ctx_);
      break;
    case CMD_UNDO_TUNING:
      undoTuning(*ctx_);
      break;
    case CMD_ABOUT:
      shell_.showAbout();
      break;
    case CMD_EXIT:
      quitRequest();
      break;
    case CMD_SELECT_DEVICE:
      selectDevice();
      break;
    case CMD_PITCH_CURVE:
      togglePitchCurve(*ctx_);
      break;
    case CMD_WORKER_ENDED:
      // Only the size limits change: the track is free again.
      break;
    default:
      transportButton(*ctx_, id);
      break;
  }
  afterEvent();
}

bool MainWindow::onButtonKey(int, ButtonKey key, char character) {
  state::AppState& app = app_;
  const int count = view::BUTTON_COUNT;
  const int index = ((app.focusIndex % count) + count) % count;
  switch (key) {
    case ButtonKey::Tab:
    case ButtonKey::Right:
      app.focusIndex = static_cast<std::int16_t>((index + 1) % count);
      shell_.focusButton(view::BUTTON_ID_FIRST + app.focusIndex);
      return false;
    case ButtonKey::Left:
      app.focusIndex = static_cast<std::int16_t>((index + count - 1) % count);
      shell_.focusButton(view::BUTTON_ID_FIRST + app.focusIndex);
      return false;
    case ButtonKey::Enter:
      transportButton(*ctx_, view::BUTTON_ID_FIRST + index);
      afterEvent();
      return true;
    case ButtonKey::Other:
      if (character == 'U' || character == 'u' || character == 'P' || character == 'p') {
        onChar(character);
        return true;
      }
      return false;
  }
  return false;
}

void MainWindow::onDriverReset() {
  shell_.messageBox(MSG_DRIVER_RESET, CAPTION_DRIVER_RESET, MessageIcon::Exclamation,
                    MessageButtons::Ok, false);
}

}  // namespace app
