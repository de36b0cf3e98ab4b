#include "support/headless_shell.h"

#include "app/view_lock.h"
#include "view/view_constants.h"

namespace testsupport {

HeadlessShell::HeadlessShell() : uiThread_(std::this_thread::get_id()) {
  for (int i = 0; i < view::BUTTON_COUNT; ++i)
    buttons[view::BUTTON_ID_FIRST + i] = ButtonState{true, view::BUTTON_TEXTS[i]};
}

void HeadlessShell::setClientSize(app::Size client) {
  client_ = client;
}

void HeadlessShell::setOuterSize(app::Size outer) {
  client_ = {outer.width - frameExtra.width, outer.height - frameExtra.height};
}

void HeadlessShell::clearRecords() {
  std::lock_guard lock(mutex_);
  calls.clear();
  messageBoxes.clear();
  invalidated.clear();
  postedCommands.clear();
  driverResetsPosted = 0;
}

int HeadlessShell::count(const std::string& name) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const std::string& c : calls) n += c == name ? 1 : 0;
  return n;
}

void HeadlessShell::record(const char* name) {
  std::lock_guard lock(mutex_);
  calls.emplace_back(name);
}

void HeadlessShell::anyThread(const char* name) {
  record(name);
}

void HeadlessShell::uiThreadOnly(const char* name) {
  record(name);
  if (std::this_thread::get_id() != uiThread_) {
    std::lock_guard lock(mutex_);
    violations.push_back(std::string(name) + " called off the UI thread");
  }
}

void HeadlessShell::workerBlocking(const char* name) {
  record(name);
  std::lock_guard lock(mutex_);
  if (std::this_thread::get_id() == uiThread_)
    violations.push_back(std::string(name) + " called on the UI thread (it would wait for itself)");
  if (app::ViewLock::heldByThisThread())
    violations.push_back(std::string(name) + " waits for the UI thread while viewMutex is held");
}

app::MessageResult HeadlessShell::messageBox(std::string_view text, std::string_view caption,
                                             app::MessageIcon icon, app::MessageButtons buttons,
                                             bool owned) {
  uiThreadOnly("messageBox");
  std::lock_guard lock(mutex_);
  messageBoxes.push_back({std::string(text), std::string(caption), icon, buttons, owned, false});
  if (messageAnswers.empty()) return defaultAnswer;
  const app::MessageResult r = messageAnswers.front();
  messageAnswers.pop_front();
  return r;
}

app::MessageResult HeadlessShell::messageBoxFromWorker(std::string_view text,
                                                       std::string_view caption,
                                                       app::MessageIcon icon,
                                                       app::MessageButtons buttons) {
  workerBlocking("messageBoxFromWorker");
  std::lock_guard lock(mutex_);
  messageBoxes.push_back({std::string(text), std::string(caption), icon, buttons, true, true});
  if (messageAnswers.empty()) return defaultAnswer;
  const app::MessageResult r = messageAnswers.front();
  messageAnswers.pop_front();
  return r;
}

void HeadlessShell::enableButton(int id, bool enabled) {
  anyThread("enableButton");
  std::lock_guard lock(mutex_);
  buttons[id].enabled = enabled;
}

void HeadlessShell::setButtonText(int id, std::string_view text) {
  anyThread("setButtonText");
  std::lock_guard lock(mutex_);
  buttons[id].text = std::string(text);
}

void HeadlessShell::focusButton(int id) {
  anyThread("focusButton");
  std::lock_guard lock(mutex_);
  focusedButton = id;
  scrollBarFocused = false;
}

void HeadlessShell::setScrollBar(int max, int page, int pos) {
  anyThread("setScrollBar");
  std::lock_guard lock(mutex_);
  scrollMax = max;
  scrollPage = page;
  scrollPos = pos;
}

void HeadlessShell::enableScrollBar(bool enabled) {
  anyThread("enableScrollBar");
  std::lock_guard lock(mutex_);
  scrollEnabled = enabled;
}

void HeadlessShell::focusScrollBar() {
  anyThread("focusScrollBar");
  std::lock_guard lock(mutex_);
  scrollBarFocused = true;
  focusedButton = 0;
}

void HeadlessShell::enableUndoTuning(bool enabled) {
  anyThread("enableUndoTuning");
  std::lock_guard lock(mutex_);
  undoEnabled = enabled;
}

app::Size HeadlessShell::desktopSize() {
  record("desktopSize");
  return desktop;
}

app::Size HeadlessShell::clientSize() {
  record("clientSize");
  return client_;
}

app::Size HeadlessShell::outerSize() {
  record("outerSize");
  return {client_.width + frameExtra.width, client_.height + frameExtra.height};
}

void HeadlessShell::placeControl(int id, const app::Rect& rect) {
  uiThreadOnly("placeControl");
  std::lock_guard lock(mutex_);
  controls[id] = rect;
}

void HeadlessShell::setSizeLimits(app::Size minimum, std::optional<app::Size> maximum) {
  uiThreadOnly("setSizeLimits");
  std::lock_guard lock(mutex_);
  minSize = minimum;
  maxSize = maximum;
}

app::Size HeadlessShell::measureText(std::string_view text) {
  record("measureText");
  // A fixed-pitch stand-in: 8 x 16 pixels a character.
  return {static_cast<int>(text.size()) * 8, 16};
}

void HeadlessShell::drawText(std::string_view, const app::Rect&, std::uint32_t, std::uint32_t) {
  anyThread("drawText");
}

void HeadlessShell::showAbout() {
  uiThreadOnly("showAbout");
  aboutShown = true;
}

std::optional<int> HeadlessShell::runDeviceDialog(const std::vector<std::string>& names) {
  uiThreadOnly("runDeviceDialog");
  std::lock_guard lock(mutex_);
  if (deviceAnswers.empty()) return names.empty() ? -1 : 0;
  const std::optional<int> r = deviceAnswers.front();
  deviceAnswers.pop_front();
  return r;
}

std::optional<std::string> HeadlessShell::nextFileAnswer() {
  std::lock_guard lock(mutex_);
  if (fileAnswers.empty()) return std::nullopt;
  std::optional<std::string> r = fileAnswers.front();
  fileAnswers.pop_front();
  return r;
}

std::optional<std::string> HeadlessShell::openFileDialog() {
  uiThreadOnly("openFileDialog");
  return nextFileAnswer();
}

std::optional<std::string> HeadlessShell::saveFileDialog(std::string_view) {
  uiThreadOnly("saveFileDialog");
  return nextFileAnswer();
}

std::optional<std::string> HeadlessShell::saveFileDialogFromWorker(std::string_view) {
  workerBlocking("saveFileDialogFromWorker");
  return nextFileAnswer();
}

int HeadlessShell::runTuningDialog(bool,
                                   const std::function<void(const app::TuningChoice&)>& onOk) {
  uiThreadOnly("runTuningDialog");
  std::optional<app::TuningChoice> answer;
  {
    std::lock_guard lock(mutex_);
    if (!tuningAnswers.empty()) {
      answer = tuningAnswers.front();
      tuningAnswers.pop_front();
    }
  }
  if (!answer) return 2;
  onOk(*answer);
  return 1;
}

void HeadlessShell::postCommand(int id) {
  anyThread("postCommand");
  std::lock_guard lock(mutex_);
  postedCommands.push_back(id);
}

void HeadlessShell::postDriverReset() {
  anyThread("postDriverReset");
  std::lock_guard lock(mutex_);
  ++driverResetsPosted;
}

void HeadlessShell::destroyWindow() {
  uiThreadOnly("destroyWindow");
  destroyed = true;
  if (onDestroyed) onDestroyed();
}

void HeadlessShell::invalidate(const app::Rect& area) {
  anyThread("invalidate");
  std::lock_guard lock(mutex_);
  invalidated.push_back(area);
}

void HeadlessShell::updateWindow() {
  anyThread("updateWindow");
}

void HeadlessShell::drawCursorLine(int, int, int) {
  anyThread("drawCursorLine");
}

void HeadlessShell::drawLiveLine(int, int, int) {
  anyThread("drawLiveLine");
}

void HeadlessShell::drawLivePoint(int, int) {
  anyThread("drawLivePoint");
}

}  // namespace testsupport
