// Driving the Windows window from a test: pumping the test thread's messages
// (it is the window's thread) until something holds, answering the modal
// dialogs and message boxes the window opens from a second thread, and the
// virtual device's registry entry for one test.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "state/app_state.h"
#include "ui/win32/win32_shell.h"

namespace win32test {

// Dispatches the thread's messages until `done` holds or `limit` passes;
// returns whether it held.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30));

// The program's window for `app`, shown (its class registered first); the
// teardown leaves the test's message loop running. Nothing when it cannot be
// created.
std::unique_ptr<ui::Win32Shell> openWindow(state::AppState& app);

// Answers, in order, the dialogs and message boxes of this process that the
// test says will come: each is found by its caption and handed to its action
// on the answering thread (which may send messages to it: the window's
// thread runs the dialog's loop meanwhile).
class DialogAnswerer {
 public:
  using Action = std::function<void(HWND dialog)>;
  DialogAnswerer();
  ~DialogAnswerer();
  void expect(std::wstring caption, Action action);
  // Captions answered so far, in order.
  std::vector<std::wstring> answered();
  bool idle();

 private:
  void run();
  std::mutex mutex_;
  std::vector<std::pair<std::wstring, Action>> queue_;
  std::vector<std::wstring> answered_;
  bool stop_ = false;
  std::thread thread_;
};

// Presses a dialog's button (IDOK, IDCANCEL) as a click does.
void press(HWND dialog, int id);
// Puts `path` in a file dialog's name field and presses its OK button.
void chooseFile(HWND dialog, const std::wstring& path);

// Settings of the registered virtual device for one test; the defaults of
// its registration come back at the end.
class VirtualDeviceSettings {
 public:
  explicit VirtualDeviceSettings(const std::vector<std::pair<std::wstring, std::wstring>>& values);
  ~VirtualDeviceSettings();

 private:
  std::vector<std::wstring> names_;
};

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A file beside the test program (its pictures and measurements).
std::filesystem::path besideTest(const char* name);

// The screen's pixels in `area` (screen coordinates), 0x00RRGGBB, rows top-down.
std::vector<std::uint32_t> grabScreen(const RECT& area);
// The client area of `window` as the screen shows it; with a `record` name,
// written as a PNG file of that name beside the test too.
std::vector<std::uint32_t> grabClient(HWND window, const char* record = nullptr);
// Pixels as grabScreen gives them, written as a PNG file for the test's record.
bool writePng(const std::filesystem::path& path, std::vector<std::uint32_t> pixels, int width,
              int height);

// The virtual device's sung phrase (about five seconds, notes a little off,
// with vibrato) in stereo, the second channel softer.
bool writePhrase(const std::filesystem::path& path);
// 16-bit samples at 44.1 kHz (channels interleaved) as a WAV file.
bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples,
              int channels);

}  // namespace win32test
