#include "app/windowless_shell.h"

namespace app {

std::optional<int> WindowlessShell::takePosted(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, limit, [this] { return !pending_.empty(); })) return std::nullopt;
  const int id = pending_.front();
  pending_.pop_front();
  return id;
}

void WindowlessShell::postCommand(int id) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(id);
  }
  posted_.notify_one();
}

MessageResult WindowlessShell::messageBox(std::string_view text, std::string_view, MessageIcon,
                                          MessageButtons, bool) {
  messageShown_ = true;
  if (onMessage_) onMessage_(text);
  return MessageResult::Ok;
}

MessageResult WindowlessShell::messageBoxFromWorker(std::string_view text, std::string_view caption,
                                                    MessageIcon icon, MessageButtons buttons) {
  return messageBox(text, caption, icon, buttons, true);
}

std::optional<int> WindowlessShell::runDeviceDialog(const std::vector<std::string>& names) {
  if (names.empty()) return -1;
  return deviceIndex_;
}

}  // namespace app
