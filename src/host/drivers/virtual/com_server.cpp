// The virtual device as a COM in-process server (Windows): the class factory
// the system asks for through DllGetClassObject, the unload check, and the
// registration of the class under HKEY_CLASSES_ROOT "CLSID" with the driver's
// entry under HKEY_LOCAL_MACHINE "software\asio". The device's settings are the
// string values of that entry (samplerate, buffersize, sampletype, input,
// pacing, speed, capture), which registration fills with defaults where unset.
#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/drivers/driver.h"
#include "host/drivers/virtual/virtual_device.h"
#include "host/drivers/virtual/virtual_settings.h"

namespace {

// Set by the build: the class id and the defaults of the driver's entry.
constexpr const wchar_t* CLASS_TEXT = CANTORA_VIRTUAL_CLSID_W;
constexpr const wchar_t* ENTRY_NAME = L"Virtual Audio Device";
constexpr const wchar_t* ENTRY_PATH = L"software\\asio\\Virtual Audio Device";
constexpr const wchar_t* DEFAULT_SETTINGS[][2] = {
    {L"samplerate", L"44100"}, {L"buffersize", L"512"},  {L"sampletype", L"18"},
    {L"input", L"voice"},      {L"pacing", L"realtime"},
};

// What registration answers when a key cannot be written (the system's
// SELFREG_E_CLASS).
constexpr HRESULT REGISTRATION_FAILED = static_cast<HRESULT>(0x80040201L);

// Live devices and LockServer calls: the DLL may go only when both are 0.
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

CLSID deviceClass() {
  CLSID id{};
  CLSIDFromString(CLASS_TEXT, &id);
  return id;
}

std::string narrow(const std::wstring& text) {
  std::string out;
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return out;
  out.resize(static_cast<std::size_t>(needed));
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), needed,
                      nullptr, nullptr);
  return out;
}

// The device counts itself out of the module when its last reference goes.
class ComVirtualDevice : public virtualdevice::VirtualDevice {
 public:
  using VirtualDevice::VirtualDevice;
  ~ComVirtualDevice() override { --liveObjects; }
};

// The entry's values as settings: strings as they are, numbers in decimal.
void readSettings(std::vector<std::string>& keys, std::vector<std::string>& values) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ENTRY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameChars = 256;
    wchar_t data[1024];
    DWORD type = 0;
    DWORD bytes = sizeof data - sizeof(wchar_t);
    const LONG result = RegEnumValueW(key, index, name, &nameChars, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &bytes);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) break;
    std::wstring value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      value.assign(data, bytes / sizeof(wchar_t));
      value.resize(value.find(L'\0') == std::wstring::npos ? value.size() : value.find(L'\0'));
    } else if (type == REG_DWORD && bytes == sizeof(DWORD)) {
      DWORD number = 0;
      std::memcpy(&number, data, sizeof number);
      value = std::to_wstring(number);
    } else {
      continue;
    }
    keys.push_back(narrow(std::wstring(name, nameChars)));
    values.push_back(narrow(value));
  }
  RegCloseKey(key);
}

drivers::AsioDriver* createDevice() {
  std::vector<std::string> keys;
  std::vector<std::string> values;
  readSettings(keys, values);
  std::vector<drivers::DriverSetting> view;
  for (std::size_t i = 0; i < keys.size(); ++i)
    view.push_back({keys[i].c_str(), values[i].c_str()});
  virtualdevice::VirtualSettings parsed;
  std::string error;
  // bad settings make init fail with the reason as its error message
  if (!virtualdevice::parseVirtualSettings(view.data(), static_cast<std::int32_t>(view.size()),
                                           parsed, error)) {
    parsed = virtualdevice::VirtualSettings{};
    if (error.empty()) error = "bad settings";
  }
  auto* device = new ComVirtualDevice(parsed, error);
  ++liveObjects;
  return device;
}

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // One factory lives as long as the module; references lock the server.
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++serverLocks); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--serverLocks); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    // The driver answers to its own class id (and to IUnknown, whose first
    // three slots it shares).
    if (!IsEqualIID(iid, deviceClass()) && !IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
    try {
      *object = createDevice();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++serverLocks;
    } else {
      --serverLocks;
    }
    return S_OK;
  }
};

ClassFactory factory;

bool setString(HKEY parent, const wchar_t* path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_WRITE | KEY_READ, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const bool done =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
      ERROR_SUCCESS;
  RegCloseKey(key);
  return done;
}

bool hasValue(HKEY parent, const wchar_t* path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  const bool found =
      RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

std::wstring modulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&modulePath), &module))
    return {};
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(classId, deviceClass())) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring library = modulePath();
  if (library.empty()) return REGISTRATION_FAILED;
  const std::wstring classKey = std::wstring(L"CLSID\\") + CLASS_TEXT;
  const std::wstring serverKey = classKey + L"\\InprocServer32";
  // the host calls from one thread at a time, whatever its apartment
  if (!setString(HKEY_CLASSES_ROOT, classKey.c_str(), nullptr, ENTRY_NAME) ||
      !setString(HKEY_CLASSES_ROOT, serverKey.c_str(), nullptr, library) ||
      !setString(HKEY_CLASSES_ROOT, serverKey.c_str(), L"ThreadingModel", L"Both"))
    return REGISTRATION_FAILED;
  if (!setString(HKEY_LOCAL_MACHINE, ENTRY_PATH, L"clsid", CLASS_TEXT) ||
      !setString(HKEY_LOCAL_MACHINE, ENTRY_PATH, L"description", ENTRY_NAME))
    return REGISTRATION_FAILED;
  // settings a user already chose stay as they are
  for (const auto& setting : DEFAULT_SETTINGS) {
    if (!hasValue(HKEY_LOCAL_MACHINE, ENTRY_PATH, setting[0]) &&
        !setString(HKEY_LOCAL_MACHINE, ENTRY_PATH, setting[0], setting[1]))
      return REGISTRATION_FAILED;
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const std::wstring classKey = std::wstring(L"CLSID\\") + CLASS_TEXT;
  const LONG classGone = RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey.c_str());
  const LONG entryGone = RegDeleteTreeW(HKEY_LOCAL_MACHINE, ENTRY_PATH);
  const auto removed = [](LONG r) { return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND; };
  return removed(classGone) && removed(entryGone) ? S_OK : REGISTRATION_FAILED;
}
