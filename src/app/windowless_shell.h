// A Shell without a window, for running the main window's logic where there
// is no display (the command line's play and record, the benchmarks): the
// transport goes through the same button handler, audio callbacks and host as
// in the desktop program. It answers the device dialog with a given driver,
// hands message boxes' texts to a function, and queues the commands the audio
// path posts until the caller's loop hands them to the window. Everything
// else a window would show is dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "app/shell.h"

namespace app {

class WindowlessShell final : public Shell {
 public:
  // `onMessage` gets each message box's text (none: dropped).
  WindowlessShell(int deviceIndex, std::function<void(std::string_view)> onMessage)
      : deviceIndex_(deviceIndex), onMessage_(std::move(onMessage)) {}

  // The next posted command, waiting up to `limit` for one.
  std::optional<int> takePosted(std::chrono::milliseconds limit);
  // Whether a message box was shown (a refusal or an error).
  bool messageShown() const { return messageShown_; }

  MessageResult messageBox(std::string_view text, std::string_view caption, MessageIcon icon,
                           MessageButtons buttons, bool owned) override;
  MessageResult messageBoxFromWorker(std::string_view text, std::string_view caption,
                                     MessageIcon icon, MessageButtons buttons) override;
  void enableButton(int, bool) override {}
  void setButtonText(int, std::string_view) override {}
  void focusButton(int) override {}
  void setScrollBar(int, int, int) override {}
  void enableScrollBar(bool) override {}
  void focusScrollBar() override {}
  void enableUndoTuning(bool) override {}
  Size desktopSize() override { return SIZE; }
  Size clientSize() override { return SIZE; }
  Size outerSize() override { return SIZE; }
  void placeControl(int, const Rect&) override {}
  void setSizeLimits(Size, std::optional<Size>) override {}
  Size measureText(std::string_view text) override {
    return {static_cast<int>(text.size()) * 8, 16};
  }
  void drawText(std::string_view, const Rect&, std::uint32_t, std::uint32_t) override {}
  void showAbout() override {}
  std::optional<int> runDeviceDialog(const std::vector<std::string>& names) override;
  std::optional<std::string> openFileDialog() override { return std::nullopt; }
  std::optional<std::string> saveFileDialog(std::string_view) override { return std::nullopt; }
  std::optional<std::string> saveFileDialogFromWorker(std::string_view) override {
    return std::nullopt;
  }
  int runTuningDialog(bool, const std::function<void(const TuningChoice&)>&) override { return 2; }
  void postCommand(int id) override;
  void postDriverReset() override {}
  void destroyWindow() override {}

  void invalidate(const Rect&) override {}
  void updateWindow() override {}
  void drawCursorLine(int, int, int) override {}
  void drawLiveLine(int, int, int) override {}
  void drawLivePoint(int, int) override {}

 private:
  // A small window: the view's image costs little and the layout holds.
  static constexpr Size SIZE{800, 400};
  int deviceIndex_;
  std::function<void(std::string_view)> onMessage_;
  bool messageShown_ = false;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<int> pending_;
};

}  // namespace app
