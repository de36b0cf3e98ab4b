// MainWindow: the main window's logic, free of any toolkit. The front end
// creates the real window, forwards its events here and implements Shell for
// the calls back. Everything here runs on the UI thread unless noted.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/shell.h"
#include "state/app_state.h"

namespace view {
class TrackView;
}

namespace app {

struct AppContext;
class TransportHost;

// Where the window opens and how large it is (outer size), from the desktop.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

enum class ScrollRequest { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, Other };
enum class ButtonKey { Tab, Right, Left, Enter, Other };

// The outer window's sizing limits: fixed at the layout size while resizing
// is refused (recording, busy), otherwise a minimum only.
struct SizeLimits {
  Size minimum;
  std::optional<Size> maximum;
  friend bool operator==(const SizeLimits&, const SizeLimits&) = default;
};

class MainWindow {
 public:
  MainWindow(state::AppState& app, Shell& shell);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Start-up: the outer window's place and size for a desktop of that size.
  static WindowPlacement initialPlacement(Size desktop);

  // Window creation: greys "Undo Tuning", clears the undo record, lays out the
  // client area (off-screen image, panes, controls) and records the initial
  // pane width. False when the off-screen image cannot be created.
  bool onCreate();
  // Teardown in order: stop and close the stream, shut the host down, free the
  // recording, the undo record and the track, wait for viewMutex.
  void onDestroy();
  // A new client size (restored or maximised); re-lays out and re-fits the zoom.
  void onSize(Size client);
  // Close box, Alt+F4 or "E&xit": asks "Wan'na quit?" when allowed.
  void onClose();
  // "U" or "u" undoes the tuning, "P" or "p" shows or hides the pitch curve.
  void onChar(char c);
  // The scroll bar; `trackPos` is the thumb's position for ThumbTrack.
  void onHScroll(ScrollRequest request, int trackPos);
  // Left button pressed at (x, y). Returns true when the press may start a
  // selection drag: the front end then calls onDragDetected once the mouse
  // moves beyond the system's drag distance with the button held (and captures
  // the mouse), or nothing when the button is released first.
  bool onLeftButtonDown(int x, int y);
  void onDragDetected();
  void onMouseMove(int x, int y);
  void onLeftButtonUp(int x, int y);
  void onRightButtonDown(int x, int y);
  // Menu commands (32771..32774, 105..107) and transport button clicks (200..206).
  void onCommand(int id);
  // Opens `path` as File > Open does once the name is chosen (the file named
  // on the command line at start-up).
  void openFile(const std::string& path);
  // A key on transport button `index` (0..6). Returns true when consumed;
  // Tab/Right/Left move the focus and are still passed on (false).
  bool onButtonKey(int index, ButtonKey key, char character);
  // The driver asked for a reset (posted from the host's thread).
  void onDriverReset();

  view::TrackView& trackView();
  state::AppState& appState() { return app_; }
  // The parts the application's operations work on (the device selection
  // installs the audio host there).
  AppContext& context() { return *ctx_; }

  // The limits for the current mode, and handing them to the window when they
  // changed. Called after every event that may change the mode; a worker that
  // ends (mode back to Idle) must have the UI thread call refreshSizeLimits.
  SizeLimits sizeLimits() const;
  void refreshSizeLimits();

  // The audio host's stream for the transport (from the device selection).
  void setTransportHost(std::unique_ptr<TransportHost> host);
  // Replaces the pause after a transport button (tests shorten it).
  void setSettleWait(std::function<void(std::chrono::milliseconds)> wait);

 private:
  void quitRequest();
  // Starts the pitch curve's analysis if the track is free, then refreshes
  // the size limits.
  void afterEvent();
  void selectDevice();

  state::AppState& app_;
  Shell& shell_;
  std::unique_ptr<view::TrackView> view_;
  std::unique_ptr<AppContext> ctx_;
  std::optional<SizeLimits> lastLimits_;
};

}  // namespace app
