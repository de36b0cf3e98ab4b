// The window system of the command line: a Shell without a window. The
// transport runs through the same main window logic, button handler, audio
// callbacks and host as the desktop program; this Shell answers the device
// dialog with the driver the user named, prints message boxes as one line on
// stderr, and queues the commands the audio path posts until the command's
// loop hands them to the window. Everything else a window would show is
// dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "app/shell.h"

namespace cli {

class ConsoleShell final : public app::Shell {
 public:
  explicit ConsoleShell(int deviceIndex) : deviceIndex_(deviceIndex) {}

  // The next posted command, waiting up to `limit` for one.
  std::optional<int> takePosted(std::chrono::milliseconds limit);
  // Whether a message box was shown (a refusal or an error).
  bool messageShown() const { return messageShown_; }

  app::MessageResult messageBox(std::string_view text, std::string_view caption,
                                app::MessageIcon icon, app::MessageButtons buttons,
                                bool owned) override;
  app::MessageResult messageBoxFromWorker(std::string_view text, std::string_view caption,
                                          app::MessageIcon icon,
                                          app::MessageButtons buttons) override;
  void enableButton(int, bool) override {}
  void setButtonText(int, std::string_view) override {}
  void focusButton(int) override {}
  void setScrollBar(int, int, int) override {}
  void enableScrollBar(bool) override {}
  void focusScrollBar() override {}
  void enableUndoTuning(bool) override {}
  app::Size desktopSize() override { return SIZE; }
  app::Size clientSize() override { return SIZE; }
  app::Size outerSize() override { return SIZE; }
  void placeControl(int, const app::Rect&) override {}
  void setSizeLimits(app::Size, std::optional<app::Size>) override {}
  app::Size measureText(std::string_view text) override {
    return {static_cast<int>(text.size()) * 8, 16};
  }
  void drawText(std::string_view, const app::Rect&, std::uint32_t, std::uint32_t) override {}
  void showAbout() override {}
  std::optional<int> runDeviceDialog(const std::vector<std::string>& names) override;
  std::optional<std::string> openFileDialog() override { return std::nullopt; }
  std::optional<std::string> saveFileDialog(std::string_view) override { return std::nullopt; }
  std::optional<std::string> saveFileDialogFromWorker(std::string_view) override {
    return std::nullopt;
  }
  int runTuningDialog(bool, const std::function<void(const app::TuningChoice&)>&) override {
    return 2;
  }
  void postCommand(int id) override;
  void postDriverReset() override {}
  void destroyWindow() override {}

  void invalidate(const app::Rect&) override {}
  void updateWindow() override {}
  void drawCursorLine(int, int, int) override {}
  void drawLiveLine(int, int, int) override {}
  void drawLivePoint(int, int) override {}

 private:
  // A small window: the view's image costs little and the layout holds.
  static constexpr app::Size SIZE{800, 400};
  int deviceIndex_;
  bool messageShown_ = false;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<int> pending_;
};

}  // namespace cli
