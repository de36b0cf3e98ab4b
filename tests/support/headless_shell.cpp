#include "support/headless_shell.h"

#include "app/view_lock.h"
#include "view/view_constants.h"

namespace testsupport {

namespace {

template <class T>
std::optional<T> takeFront(std::deque<T>& answers) {
  if (answers.empty()) return std::nullopt;
  T front = std::move(answers.front());
  answers.pop_front();
  return front;
}

}  // namespace

HeadlessShell::HeadlessShell() : uiThread_(std::this_thread::get_id()) {
  for (int i = 0; i < view::BUTTON_COUNT; ++i)
    buttons[view::BUTTON_ID_FIRST + i] = ButtonState{true, view::BUTTON_TEXTS[i]};
}

void HeadlessShell::clearRecords() {
  std::lock_guard lock(mutex_);
  calls.clear();
  messageBoxes.clear();
  invalidated.clear();
  texts.clear();
  tuningDialogOnLeft.clear();
  postedCommands.clear();
}

std::optional<int> HeadlessShell::takePosted(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, limit, [this] { return !pending_.empty(); })) return std::nullopt;
  const int id = pending_.front();
  pending_.pop_front();
  return id;
}

int HeadlessShell::count(const std::string& name) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const std::string& c : calls) n += c == name ? 1 : 0;
  return n;
}

void HeadlessShell::anyThread(const char* name, const std::function<void()>& change) {
  std::lock_guard lock(mutex_);
  calls.emplace_back(name);
  if (change) change();
}

void HeadlessShell::uiThreadOnly(const char* name, const std::function<void()>& change) {
  anyThread(name, change);
  std::lock_guard lock(mutex_);
  if (std::this_thread::get_id() != uiThread_)
    violations.push_back(std::string(name) + " called off the UI thread");
}

void HeadlessShell::workerBlocking(const char* name) {
  anyThread(name);
  std::lock_guard lock(mutex_);
  if (std::this_thread::get_id() == uiThread_)
    violations.push_back(std::string(name) + " called on the UI thread (it would wait for itself)");
  if (app::ViewLock::heldByThisThread())
    violations.push_back(std::string(name) + " waits for the UI thread while viewMutex is held");
}

app::MessageResult HeadlessShell::answerMessage(MessageBoxCall call) {
  std::lock_guard lock(mutex_);
  messageBoxes.push_back(std::move(call));
  return app::MessageResult::Ok;
}

app::MessageResult HeadlessShell::messageBox(std::string_view text, std::string_view caption,
                                             app::MessageIcon icon, app::MessageButtons buttons,
                                             bool owned) {
  uiThreadOnly("messageBox");
  return answerMessage({std::string(text), std::string(caption), icon, buttons, owned, false});
}

app::MessageResult HeadlessShell::messageBoxFromWorker(std::string_view text,
                                                       std::string_view caption,
                                                       app::MessageIcon icon,
                                                       app::MessageButtons buttons) {
  workerBlocking("messageBoxFromWorker");
  return answerMessage({std::string(text), std::string(caption), icon, buttons, true, true});
}

std::optional<int> HeadlessShell::runDeviceDialog(const std::vector<std::string>& names) {
  uiThreadOnly("runDeviceDialog");
  std::lock_guard lock(mutex_);
  deviceNames = names;
  return takeFront(deviceAnswers).value_or(names.empty() ? -1 : 0);
}

std::optional<std::string> HeadlessShell::nextFileAnswer() {
  std::lock_guard lock(mutex_);
  return takeFront(fileAnswers).value_or(std::nullopt);
}

int HeadlessShell::runTuningDialog(bool onLeft,
                                   const std::function<void(const app::TuningChoice&)>& onOk) {
  uiThreadOnly("runTuningDialog");
  std::optional<app::TuningChoice> answer;
  {
    std::lock_guard lock(mutex_);
    tuningDialogOnLeft.push_back(onLeft);
    answer = takeFront(tuningAnswers).value_or(std::nullopt);
  }
  if (!answer) return 2;
  onOk(*answer);
  return 1;
}

void HeadlessShell::destroyWindow() {
  uiThreadOnly("destroyWindow", [&] { destroyed = true; });
  if (onDestroyed) onDestroyed();
}

}  // namespace testsupport
