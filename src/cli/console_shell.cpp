#include "cli/console_shell.h"

#include <unistd.h>

#include <cstdio>

namespace cli {

std::optional<int> ConsoleShell::takePosted(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, limit, [this] { return !pending_.empty(); })) return std::nullopt;
  const int id = pending_.front();
  pending_.pop_front();
  return id;
}

void ConsoleShell::postCommand(int id) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(id);
  }
  posted_.notify_one();
}

app::MessageResult ConsoleShell::messageBox(std::string_view text, std::string_view,
                                            app::MessageIcon, app::MessageButtons, bool) {
  messageShown_ = true;
  // Over a status line, when one is shown.
  if (isatty(STDERR_FILENO) == 1) std::fputs("\r\033[K", stderr);
  std::fprintf(stderr, "cantora-cli: %.*s\n", static_cast<int>(text.size()), text.data());
  return app::MessageResult::Ok;
}

app::MessageResult ConsoleShell::messageBoxFromWorker(std::string_view text,
                                                      std::string_view caption,
                                                      app::MessageIcon icon,
                                                      app::MessageButtons buttons) {
  return messageBox(text, caption, icon, buttons, true);
}

std::optional<int> ConsoleShell::runDeviceDialog(const std::vector<std::string>& names) {
  if (names.empty()) return -1;
  return deviceIndex_;
}

}  // namespace cli
