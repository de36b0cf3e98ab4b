// The Windows program's main window: a window of class "CANTORA" that
// implements Shell for the window's logic (app::MainWindow) and forwards every
// message to it. It owns the menu (from the class), the scroll bar, the seven
// subclassed transport buttons, the off-screen image's DIB section and the
// dialogs. Calls that may come from other threads are queued to the window's
// thread and never wait for it.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/shell.h"
#include "offscreen_dib.h"
#include "state/app_state.h"
#include "ui_thread_queue.h"
#include "view/view_constants.h"

namespace app {
class MainWindow;
}

namespace ui {

class Win32Shell : public app::Shell {
 public:
  Win32Shell(state::AppState& app, HINSTANCE instance);
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  // Registers the window class "CANTORA" (name, menu and icons from the
  // resources of `instance`). False when the system refuses it.
  static bool registerClass(HINSTANCE instance);

  // Creates the window at its start-up place for the desktop, lays out the
  // client area and shows it with `showCommand`. False when the window or its
  // off-screen image cannot be created.
  bool start(int showCommand);

  HWND window() const { return window_; }
  // A transport button by control id, or the scroll bar by SCROLL_BAR_ID.
  HWND control(int id) const;
  app::MainWindow& mainWindow() { return *main_; }
  bool destroyed() const { return destroyed_; }
  // Opens `path` as File > Open does once a name is chosen.
  void openFile(const std::string& path);
  // Whether the teardown ends the thread's message loop (the program's window
  // does; a test that makes several windows keeps its loop).
  void setQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

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

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK buttonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onButtonMessage(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
  void createControls();
  void paint();
  void onHScroll(WPARAM wParam);
  void onLeftButtonDown(int x, int y);
  void onMinMaxInfo(MINMAXINFO& info) const;
  void teardown();
  void fillOnWindow(const RECT& area, std::uint32_t colour);

  bool onUiThreadNow() const;
  // Runs `work` on the window's thread: at once when called there, else queued.
  template <class Work>
  void onUiThread(Work&& work);
  // Runs `work` on the window's thread and waits for its result (workers
  // only); `fallback` when the window goes away first.
  template <class Result, class Work>
  Result blockingOnUiThread(Work&& work, Result fallback);

  state::AppState& app_;
  HINSTANCE instance_;
  DWORD uiThread_;
  std::unique_ptr<app::MainWindow> main_;
  HWND window_ = nullptr;
  HWND scroll_ = nullptr;
  std::array<HWND, view::BUTTON_COUNT> buttons_{};
  WNDPROC buttonClassProc_ = nullptr;
  OffscreenDib dib_;
  UiThreadQueue queue_;
  HFONT textFont_ = nullptr;

  std::atomic<bool> destroyed_{false};
  bool created_ = false;
  bool quitOnDestroy_ = true;
  RECT paintRetry_{};  // painted while viewMutex was held: painted again shortly

  app::Size minOuter_{0, 0};
  std::optional<app::Size> maxOuter_;
};

}  // namespace ui
