// MainWindow: the main window's logic, free of any toolkit. The front end
// creates the real window, forwards its events here and implements Shell for
// the calls back. Everything here runs on the UI thread unless noted.
#pragma once

#include <cstdint>

#include "app/shell.h"
#include "app/state/app_state.h"

namespace view {
class TrackView;
}

namespace app {

// Where the window opens and how large it is (outer size), from the desktop.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

enum class ScrollRequest { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, Other };
enum class ButtonKey { Tab, Right, Left, Enter, Other };

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
  // Menu commands (32771..32773, 105..107) and transport button clicks (200..206).
  void onCommand(int id);
  // A key on transport button `index` (0..6). Returns true when consumed;
  // Tab/Right/Left move the focus and are still passed on (false).
  bool onButtonKey(int index, ButtonKey key, char character);
  // The driver asked for a reset (posted from the host's thread).
  void onDriverReset();

  view::TrackView& trackView();
  state::AppState& appState() { return app_; }

 private:
  state::AppState& app_;
  Shell& shell_;
  view::TrackView* view_ = nullptr;  // owned; see main_window.cpp
};

}  // namespace app
