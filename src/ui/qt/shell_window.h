// The desktop program's main window: a QMainWindow that implements Shell for
// the window's logic (app::MainWindow) and forwards every event to it. It owns
// the menu, the client area with its scroll bar and transport buttons, and the
// dialogs; calls that may come from other threads are queued to this window's
// thread and never wait for it.
#pragma once

#include <QMainWindow>
#include <array>
#include <atomic>
#include <memory>
#include <optional>

#include "app/shell.h"
#include "state/app_state.h"
#include "view/view_constants.h"

class QAction;
class QPushButton;
class QScrollBar;

namespace app {
class MainWindow;
}

namespace ui {

class ClientArea;
class ButtonKeyFilter;

class ShellWindow : public QMainWindow, public app::Shell {
 public:
  // `desktop` replaces the screen's size for the start-up placement (the
  // demonstration renders the window as a 1920 x 1080 desktop would show it).
  explicit ShellWindow(state::AppState& app, std::optional<app::Size> desktop = std::nullopt);
  ~ShellWindow() override;

  // Places the window for the desktop, creates the client area's layout and
  // shows the window. False when the off-screen image cannot be created.
  bool start();

  app::MainWindow& mainWindow() { return *main_; }
  // Opens `path` as File > Open does with a chosen name (the start-up open of
  // the file named on the command line).
  void openFile(const std::string& path);
  bool destroyed() const { return destroyed_; }
  QPushButton* button(int id) const;
  QScrollBar* scrollBar() const { return scroll_; }
  ClientArea* clientArea() const { return client_; }
  QAction* menuAction(int command) const;

  // --- Shell ---
  app::MessageResult messageBox(std::string_view text, std::string_view caption,
                                app::MessageIcon icon, app::MessageButtons buttons,
                                bool owned) override;
  app::MessageResult messageBoxFromWorker(std::string_view text, std::string_view caption,
                                          app::MessageIcon icon,
                                          app::MessageButtons buttons) override;
  void enableButton(int id, bool enabled) override;
  void setButtonText(int id, std::string_view text) override;
  void focusButton(int id) override;
  void setScrollBar(int max, int page, int pos) override;
  void enableScrollBar(bool enabled) override;
  void focusScrollBar() override;
  void enableUndoTuning(bool enabled) override;
  void checkPitchCurve(bool checked) override;
  app::Size desktopSize() override;
  app::Size clientSize() override;
  app::Size outerSize() override;
  void placeControl(int id, const app::Rect& rect) override;
  void setSizeLimits(app::Size minimum, std::optional<app::Size> maximum) override;
  app::Size measureText(std::string_view text) override;
  void drawText(std::string_view text, const app::Rect& area, std::uint32_t textColour,
                std::uint32_t backgroundColour) override;
  void showAbout() override;
  std::optional<int> runDeviceDialog(const std::vector<std::string>& names) override;
  std::optional<std::string> openFileDialog() override;
  std::optional<std::string> saveFileDialog(std::string_view defaultName) override;
  std::optional<std::string> saveFileDialogFromWorker(std::string_view defaultName) override;
  int runTuningDialog(bool onLeft,
                      const std::function<void(const app::TuningChoice&)>& onOk) override;
  void postCommand(int id) override;
  void postDriverReset() override;
  void destroyWindow() override;

  // --- view::WindowSurface ---
  void invalidate(const app::Rect& area) override;
  void updateWindow() override;
  void drawCursorLine(int x, int top, int bottom) override;
  void drawLiveLine(int x, int top, int bottom) override;
  void drawLivePoint(int x, int y) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenu();
  void buildControls();
  void onScrollAction(int action);
  // Outer size less the window's own size: the frame the window system adds.
  QSize frameExtra() const;
  void applySizeLimits();
  void keepOuterSize();
  void noteSizes();
  // Runs `work` on this window's thread: at once when called there, else
  // queued (the caller never waits).
  template <class Work>
  void onUiThread(Work&& work);
  // Runs `work` on this window's thread and waits for its result (workers only).
  template <class Result, class Work>
  Result blockingOnUiThread(Work&& work, Result fallback);
  bool onUiThreadNow() const;

  state::AppState& app_;
  std::optional<app::Size> desktopOverride_;
  std::unique_ptr<app::MainWindow> main_;
  ClientArea* client_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  std::array<QPushButton*, view::BUTTON_COUNT> buttons_{};
  std::unique_ptr<ButtonKeyFilter> keyFilter_;
  std::vector<QAction*> actions_;
  bool destroyed_ = false;
  bool created_ = false;

  // The scroll bar shows what the application set last; the bar's own moves
  // are undone, the application decides (through onHScroll) where it goes.
  int scrollMax_ = 0;
  int scrollPage_ = 0;
  int scrollPos_ = 0;

  app::Size minOuter_{0, 0};
  std::optional<app::Size> maxOuter_;
  app::Size wantedOuter_{0, 0};  // the start-up size, kept once the frame is known
  bool outerFixed_ = false;

  // Sizes readable from any thread without asking the UI thread.
  std::atomic<int> clientWidth_{0}, clientHeight_{0}, outerWidth_{0}, outerHeight_{0};
};

}  // namespace ui
