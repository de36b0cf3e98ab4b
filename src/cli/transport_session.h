// What `play` and `record` share: the main window's logic over a Shell
// without a window, the device chosen through its device dialog, and the loop that
// plays the message loop's part while the transport runs: it hands the
// commands the audio path posts to the window, stops after the asked number
// of frames or at Ctrl-C as the Stop button does, and keeps a one-line
// status on a terminal.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/windowless_shell.h"
#include "cli/cli_command.h"
#include "state/app_state.h"

namespace cli {

struct TransportOptions {
  std::optional<std::string> device;  // --device N
  std::optional<double> seconds;      // --seconds S
};

// Takes --device or --seconds at args[i]; false when args[i] is neither. A bad
// value leaves `error` set.
bool takeTransportOption(const Args& args, std::size_t& i, TransportOptions& options,
                         std::string& error);

class TransportSession {
 public:
  TransportSession();
  ~TransportSession();
  TransportSession(const TransportSession&) = delete;
  TransportSession& operator=(const TransportSession&) = delete;

  // Creates the window's logic and opens the device: the one named by
  // --device, else the one the program opens on its own (Devnum, then
  // ASIOConfig.txt, then the first). 0, or the exit status after a one-line
  // reason (EXIT_USAGE for a device that is not listed).
  int open(const TransportOptions& options);

  state::AppState& app() { return *app_; }
  app::MainWindow& window() { return *window_; }

  // Clicks transport button `id` and runs until the transport is Idle again,
  // clicking Stop once the device has run `stopAfterFrames` frames (0: never)
  // or at Ctrl-C. `status` writes the status line's text. Returns 0, 1 when
  // the click was refused (the reason is printed), or EXIT_INTERRUPTED after
  // Ctrl-C.
  int run(int id, std::uint64_t stopAfterFrames,
          const std::function<std::string(const state::AppState&)>& status);

 private:
  std::unique_ptr<state::AppState> app_;
  std::unique_ptr<app::WindowlessShell> shell_;
  std::unique_ptr<app::MainWindow> window_;
};

// Seconds as the status line shows them: "12.3 s".
std::string secondsText(std::uint64_t frames, std::uint32_t rate);

}  // namespace cli
