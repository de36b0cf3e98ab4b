// A Shell without a display: it records every call in order, keeps the state a
// real window would show (buttons, scroll bar, menu item, size limits), and
// answers message boxes and dialogs from a script. It also checks the
// threading rules of the Shell interface and lists every breach.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/shell.h"

namespace testsupport {

struct MessageBoxCall {
  std::string text;
  std::string caption;
  app::MessageIcon icon = app::MessageIcon::Exclamation;
  app::MessageButtons buttons = app::MessageButtons::Ok;
  bool owned = false;
  bool fromWorker = false;
};

struct ButtonState {
  bool enabled = true;
  std::string text;
  friend bool operator==(const ButtonState&, const ButtonState&) = default;
};

class HeadlessShell : public app::Shell {
 public:
  // The thread constructing the shell is the UI thread.
  HeadlessShell();

  // --- the script ---
  // Answers for message boxes in order; when none is left, `defaultAnswer`.
  std::deque<app::MessageResult> messageAnswers;
  app::MessageResult defaultAnswer = app::MessageResult::Ok;
  std::deque<std::optional<int>> deviceAnswers;
  std::deque<std::optional<std::string>> fileAnswers;  // open and save dialogs
  std::deque<std::optional<app::TuningChoice>> tuningAnswers;

  // --- the window ---
  app::Size desktop{1920, 1080};
  // The outer window is the client area plus this frame (title bar, borders, menu).
  app::Size frameExtra{16, 59};
  void setClientSize(app::Size client);
  void setOuterSize(app::Size outer);

  // --- what a real window would show now ---
  std::map<int, ButtonState> buttons;  // by control id
  int focusedButton = 0;               // control id, 0 when the focus is elsewhere
  bool scrollBarFocused = false;
  int scrollMax = 0, scrollPage = 0, scrollPos = 0;
  bool scrollEnabled = false;
  bool undoEnabled = true;
  app::Size minSize;
  std::optional<app::Size> maxSize;
  std::map<int, app::Rect> controls;  // placed child controls by id
  bool destroyed = false;
  bool aboutShown = false;
  // Runs when the window is destroyed, as the real window runs the teardown.
  std::function<void()> onDestroyed;

  // --- records (any thread writes them; read after the threads are done) ---
  std::vector<std::string> calls;  // every call by name, in order
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<app::Rect> invalidated;
  std::vector<int> postedCommands;
  int driverResetsPosted = 0;
  std::vector<std::string> violations;  // breaches of the threading rules

  // Forgets the records (not the window's state).
  void clearRecords();
  // Number of calls named `name` so far.
  int count(const std::string& name) const;

  // --- app::Shell ---
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
  // A call that may come from any thread; never waits for the UI thread.
  void anyThread(const char* name);
  // A call that belongs to the UI thread (it may wait on the user).
  void uiThreadOnly(const char* name);
  // A call that waits for the UI thread: only workers holding no lock.
  void workerBlocking(const char* name);
  void record(const char* name);
  std::optional<std::string> nextFileAnswer();

  mutable std::mutex mutex_;
  std::thread::id uiThread_;
  app::Size client_{1784, 693};
};

}  // namespace testsupport
