#include "win32_test_helpers.h"

// GDI+ wants the COM property types, which a lean windows.h leaves out.
#include <objidl.h>

#include <gdiplus.h>

#include "audiofile/wav_writer.h"
#include "host/drivers/virtual/voice_phrase.h"

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

// A dialog or message box of this process (the main window has a caption
// too), shown.
HWND findDialog(const std::wstring& caption) {
  const HWND dialog = FindWindowW(L"#32770", caption.c_str());
  DWORD process = 0;
  GetWindowThreadProcessId(dialog, &process);
  const bool ours = dialog != nullptr && process == GetCurrentProcessId();
  return ours && IsWindowVisible(dialog) ? dialog : nullptr;
}

}  // namespace

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  // One message at a time, the condition and the clock read after each: while
  // the transport plays, the follow step queues work faster than a slow X
  // server lets the window draw it, and the queue need never run empty.
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  return true;
}

std::unique_ptr<ui::Win32Shell> openWindow(state::AppState& app) {
  const HINSTANCE self = GetModuleHandleW(nullptr);
  if (!ui::Win32Shell::registerClass(self)) return nullptr;
  auto shell = std::make_unique<ui::Win32Shell>(app, self);
  shell->setQuitOnDestroy(false);
  if (!shell->start(SW_SHOWNORMAL)) return nullptr;
  return shell;
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

std::filesystem::path besideTest(const char* name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path() / name;
}

std::vector<std::uint32_t> grabScreen(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<std::uint32_t> grabClient(HWND window, const char* record) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  std::vector<std::uint32_t> shown = grabScreen(r);
  if (record != nullptr) writePng(besideTest(record), shown, r.right - r.left, r.bottom - r.top);
  return shown;
}

bool writePng(const std::filesystem::path& path, std::vector<std::uint32_t> pixels, int width,
              int height) {
  // GDI+'s own encoder; 0x00RRGGBB in memory is its 32-bit RGB format.
  static const CLSID PNG_ENCODER = {
      0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  namespace gdi = Gdiplus::DllExports;
  const Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  bool ok = gdi::GdipCreateBitmapFromScan0(width, height, 4 * width, PixelFormat32bppRGB,
                                           reinterpret_cast<BYTE*>(pixels.data()),
                                           &bitmap) == Gdiplus::Ok;
  ok = ok && gdi::GdipSaveImageToFile(bitmap, path.c_str(), &PNG_ENCODER, nullptr) == Gdiplus::Ok;
  if (bitmap != nullptr) gdi::GdipDisposeImage(bitmap);
  Gdiplus::GdiplusShutdown(token);
  return ok;
}

bool writePhrase(const std::filesystem::path& path) {
  const std::vector<std::int16_t> voice = virtualdevice::makeVoicePhrase(44100);
  std::vector<std::int16_t> s;
  for (const std::int16_t v : voice) {
    s.push_back(v);
    s.push_back(static_cast<std::int16_t>(v * 7 / 9));
  }
  return writeWav(path, s, 2);
}

bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples,
              int channels) {
  audiofile::WavWriter writer;
  std::uint32_t accepted = 0;
  if (!writer.create(reinterpret_cast<const char*>(path.u8string().c_str()),
                     static_cast<std::uint32_t>(channels), 44100))
    return false;
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  writer.writeBlock(samples.data(), bytes, accepted);
  writer.addToTotal(accepted);
  writer.finish();
  return accepted == bytes;
}

}  // namespace win32test
