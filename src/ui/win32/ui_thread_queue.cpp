#include "ui_thread_queue.h"

namespace ui {

void UiThreadQueue::attach(HWND window, UINT wake) {
  const std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
  wake_ = wake;
}

void UiThreadQueue::post(std::function<void()> work) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (window_ == nullptr) return;
  const bool wasEmpty = pending_.empty();
  pending_.push_back(std::move(work));
  // One wake-up for a burst: the UI thread empties the whole queue at once.
  if (wasEmpty) PostMessageW(window_, wake_, 0, 0);
}

void UiThreadQueue::runPending() {
  std::deque<std::function<void()>> work;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    work.swap(pending_);
  }
  for (auto& w : work) w();
}

void UiThreadQueue::detach() {
  std::deque<std::function<void()>> dropped;
  const std::lock_guard<std::mutex> lock(mutex_);
  window_ = nullptr;
  dropped.swap(pending_);
}

}  // namespace ui
