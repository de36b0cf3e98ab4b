// A Shell without a display: it records every call in order, keeps the state a
// real window would show (buttons, scroll bar, menu item, size limits), and
// answers message boxes and dialogs from a script. It also checks the
// threading rules of the Shell interface and lists every breach.
#pragma once

#include <chrono>
#include <condition_variable>
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

struct TextCall {
  std::string text;
  app::Rect area;
  std::uint32_t textColour = 0;
  std::uint32_t backgroundColour = 0;
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

  // --- the script (message boxes are answered OK) ---
  // Without an answer the device dialog picks the first name, the file dialogs
  // and the tuning dialog are cancelled.
  std::deque<std::optional<int>> deviceAnswers;
  std::deque<std::optional<std::string>> fileAnswers;  // open and save dialogs
  std::deque<std::optional<app::TuningChoice>> tuningAnswers;

  // --- the window ---
  app::Size desktop{1920, 1080};
  // The outer window is the client area plus this frame (title bar, borders, menu).
  app::Size frameExtra{16, 59};
  void setClientSize(app::Size client) {
    std::lock_guard lock(mutex_);
    client_ = client;
  }

  // --- what a real window would show now ---
  std::map<int, ButtonState> buttons;  // by control id
  int focusedButton = 0;               // control id, 0 when the focus is elsewhere
  bool scrollBarFocused = false;
  int scrollMax = 0, scrollPage = 0, scrollPos = 0;
  bool scrollEnabled = false;
  bool undoEnabled = true;
  bool pitchCurveChecked = false;
  app::Size minSize;
  std::optional<app::Size> maxSize;
  bool destroyed = false;
  // Runs when the window is destroyed, as the real window runs the teardown.
  std::function<void()> onDestroyed;

  // --- records (any thread writes them; read after the threads are done) ---
  std::vector<std::string> calls;  // every call by name, in order
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<app::Rect> invalidated;
  std::vector<TextCall> texts;           // drawn on the window, in order
  std::vector<bool> tuningDialogOnLeft;  // each opening's onLeft
  std::vector<int> postedCommands;
  std::vector<std::string> deviceNames;  // what the device dialog listed last
  std::vector<std::string> violations;   // breaches of the threading rules

  // Forgets the records (not the window's state).
  void clearRecords();
  // The next posted command not yet taken, waiting up to `limit` for one to
  // arrive (the message loop's part: the caller hands it to the window).
  std::optional<int> takePosted(std::chrono::milliseconds limit);
  // Number of calls named `name` so far.
  int count(const std::string& name) const;

  // --- app::Shell ---
  app::MessageResult messageBox(std::string_view text, std::string_view caption,
                                app::MessageIcon icon, app::MessageButtons buttons,
                                bool owned) override;
  app::MessageResult messageBoxFromWorker(std::string_view text, std::string_view caption,
                                          app::MessageIcon icon,
                                          app::MessageButtons buttons) override;
  void enableButton(int id, bool on) override {
    anyThread("enableButton", [&] { buttons[id].enabled = on; });
  }
  void setButtonText(int id, std::string_view text) override {
    anyThread("setButtonText", [&] { buttons[id].text = std::string(text); });
  }
  void focusButton(int id) override {
    anyThread("focusButton", [&] {
      focusedButton = id;
      scrollBarFocused = false;
    });
  }
  void setScrollBar(int max, int page, int pos) override {
    anyThread("setScrollBar", [&] {
      scrollMax = max;
      scrollPage = page;
      scrollPos = pos;
    });
  }
  void enableScrollBar(bool on) override {
    anyThread("enableScrollBar", [&] { scrollEnabled = on; });
  }
  void focusScrollBar() override {
    anyThread("focusScrollBar", [&] {
      scrollBarFocused = true;
      focusedButton = 0;
    });
  }
  void enableUndoTuning(bool on) override {
    anyThread("enableUndoTuning", [&] { undoEnabled = on; });
  }
  void checkPitchCurve(bool on) override {
    anyThread("checkPitchCurve", [&] { pitchCurveChecked = on; });
  }
  app::Size desktopSize() override {
    anyThread("desktopSize");
    return desktop;
  }
  // The sizes may be read by the follow step while the test resizes.
  app::Size clientSize() override {
    app::Size size;
    anyThread("clientSize", [&] { size = client_; });
    return size;
  }
  app::Size outerSize() override {
    app::Size size;
    anyThread("outerSize", [&] {
      size = {client_.width + frameExtra.width, client_.height + frameExtra.height};
    });
    return size;
  }
  // Any thread: a re-layout worker places the controls too.
  void placeControl(int, const app::Rect&) override { anyThread("placeControl"); }
  void setSizeLimits(app::Size minimum, std::optional<app::Size> maximum) override {
    uiThreadOnly("setSizeLimits", [&] {
      minSize = minimum;
      maxSize = maximum;
    });
  }
  // A fixed-pitch stand-in: 8 x 16 pixels a character.
  app::Size measureText(std::string_view text) override {
    anyThread("measureText");
    return {static_cast<int>(text.size()) * 8, 16};
  }
  void drawText(std::string_view text, const app::Rect& area, std::uint32_t textColour,
                std::uint32_t backgroundColour) override {
    anyThread("drawText", [&] {
      texts.push_back({std::string(text), area, textColour, backgroundColour});
    });
  }
  void showAbout() override { uiThreadOnly("showAbout"); }
  std::optional<int> runDeviceDialog(const std::vector<std::string>& names) override;
  std::optional<std::string> openFileDialog() override {
    uiThreadOnly("openFileDialog");
    return nextFileAnswer();
  }
  std::optional<std::string> saveFileDialog(std::string_view) override {
    uiThreadOnly("saveFileDialog");
    return nextFileAnswer();
  }
  std::optional<std::string> saveFileDialogFromWorker(std::string_view) override {
    workerBlocking("saveFileDialogFromWorker");
    return nextFileAnswer();
  }
  int runTuningDialog(bool onLeft,
                      const std::function<void(const app::TuningChoice&)>& onOk) override;
  void postCommand(int id) override {
    anyThread("postCommand", [&] {
      postedCommands.push_back(id);
      pending_.push_back(id);
    });
    posted_.notify_all();
  }
  void postDriverReset() override { anyThread("postDriverReset"); }
  void destroyWindow() override;

  // --- view::WindowSurface ---
  void invalidate(const app::Rect& area) override {
    anyThread("invalidate", [&] { invalidated.push_back(area); });
  }
  void updateWindow() override { anyThread("updateWindow"); }
  void drawCursorLine(int, int, int) override { anyThread("drawCursorLine"); }
  void drawLiveLine(int, int, int) override { anyThread("drawLiveLine"); }
  void drawLivePoint(int, int) override { anyThread("drawLivePoint"); }

 private:
  // A call that may come from any thread; never waits for the UI thread.
  // `change` updates the shown state under the records' lock.
  void anyThread(const char* name, const std::function<void()>& change = {});
  // A call that belongs to the UI thread (it may wait on the user).
  void uiThreadOnly(const char* name, const std::function<void()>& change = {});
  // A call that waits for the UI thread: only workers holding no lock.
  void workerBlocking(const char* name);
  app::MessageResult answerMessage(MessageBoxCall call);
  std::optional<std::string> nextFileAnswer();

  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<int> pending_;  // posted commands the message loop has not taken
  std::thread::id uiThread_;
  app::Size client_{1784, 693};
};

}  // namespace testsupport
