// Work handed to the window's thread from any thread: queued under a lock and
// announced with one posted message, so the caller never waits for the UI
// thread (the UI thread itself waits for the audio path and for viewMutex).
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace ui {

class UiThreadQueue {
 public:
  // `wake` is posted to `window` when the queue turns non-empty.
  void attach(HWND window, UINT wake);
  // Queues `work`; dropped when no window is attached (it is gone).
  void post(std::function<void()> work);
  // Runs everything queued so far, in order (the window's thread, on `wake`).
  void runPending();
  // Drops what is left and accepts nothing more (teardown).
  void detach();

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> pending_;
  HWND window_ = nullptr;
  UINT wake_ = 0;
};

}  // namespace ui
