#include "win32_test_helpers.h"

#include <cmath>
#include <numbers>

#include "audiofile/wav_writer.h"

namespace win32test {

namespace {

constexpr wchar_t DEVICE_ENTRY[] = L"software\\asio\\Virtual Audio Device";
// What the device's registration writes where a value is unset.
const std::vector<std::pair<std::wstring, std::wstring>> REGISTERED_DEFAULTS = {
    {L"samplerate", L"44100"},
    {L"buffersize", L"512"},
    {L"sampletype", L"18"},
    {L"input", L"voice"},
    {L"pacing", L"realtime"}};
// The explorer-style file dialog's name field.
constexpr int FILE_NAME_FIELD = 0x47C;

BOOL CALLBACK findCaption(HWND window, LPARAM data) {
  auto* wanted = reinterpret_cast<std::pair<const std::wstring*, HWND>*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  if (*wanted->first == text) {
    wanted->second = window;
    return FALSE;
  }
  return TRUE;
}

HWND findDialog(const std::wstring& caption) {
  std::pair<const std::wstring*, HWND> wanted{&caption, nullptr};
  EnumWindows(findCaption, reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

}  // namespace

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

DialogAnswerer::DialogAnswerer() : thread_([this] { run(); }) {}

DialogAnswerer::~DialogAnswerer() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  thread_.join();
}

void DialogAnswerer::expect(std::wstring caption, Action action) {
  const std::lock_guard<std::mutex> lock(mutex_);
  queue_.emplace_back(std::move(caption), std::move(action));
}

std::vector<std::wstring> DialogAnswerer::answered() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return answered_;
}

bool DialogAnswerer::idle() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return queue_.empty();
}

void DialogAnswerer::run() {
  for (;;) {
    std::pair<std::wstring, Action> next;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return;
      if (!queue_.empty()) next = queue_.front();
    }
    HWND dialog = next.first.empty() ? nullptr : findDialog(next.first);
    if (dialog != nullptr) {
      // Let the dialog finish its initialisation first.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      next.second(dialog);
      const std::lock_guard<std::mutex> lock(mutex_);
      queue_.erase(queue_.begin());
      answered_.push_back(next.first);
      continue;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void chooseFile(HWND dialog, const std::wstring& path) {
  SetDlgItemTextW(dialog, FILE_NAME_FIELD, path.c_str());
  press(dialog, IDOK);
}

VirtualDeviceSettings::VirtualDeviceSettings(
    const std::vector<std::pair<std::wstring, std::wstring>>& values) {
  for (const auto& [name, value] : values) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, DEVICE_ENTRY, name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    names_.push_back(name);
  }
}

VirtualDeviceSettings::~VirtualDeviceSettings() {
  for (const std::wstring& name : names_) {
    bool registered = false;
    for (const auto& [key, value] : REGISTERED_DEFAULTS) {
      if (key != name) continue;
      registered = true;
      RegSetKeyValueW(HKEY_LOCAL_MACHINE, DEVICE_ENTRY, key.c_str(), REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    if (!registered) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, DEVICE_ENTRY, name.c_str());
  }
}

TempFolder::TempFolder() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  path_ = std::filesystem::path(base) /
          (L"cantora-win32-test-" + std::to_wstring(GetCurrentProcessId()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

bool writeTones(const std::filesystem::path& path) {
  std::vector<std::int16_t> s(2 * 5 * 44100);
  for (std::size_t f = 0; f < s.size() / 2; ++f)
    for (int c = 0; c < 2; ++c)
      s[2 * f + c] = static_cast<std::int16_t>(
          11000 * std::sin(2 * std::numbers::pi * (c == 0 ? 440.0 : 450.0) * f / 44100.0));
  audiofile::WavWriter writer;
  std::uint32_t accepted = 0;
  if (!writer.create(reinterpret_cast<const char*>(path.u8string().c_str()), 2, 44100))
    return false;
  writer.writeBlock(s.data(), static_cast<std::uint32_t>(s.size() * 2), accepted);
  writer.addToTotal(accepted);
  writer.finish();
  return accepted == s.size() * 2;
}

}  // namespace win32test
