// Registry keys written by a Windows host test into its own Wine prefix, and
// the virtual device's own registration (its DllRegisterServer, called the way
// regsvr32 calls it), restored when the test is done.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace hosttest {

inline const wchar_t* const ASIO_KEY = L"software\\asio";
inline const wchar_t* const VIRTUAL_CLASS = L"{6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}";

inline std::wstring wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

inline bool setRegistryString(HKEY root, const std::wstring& path, const wchar_t* name,
                              const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const bool done =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
      ERROR_SUCCESS;
  RegCloseKey(key);
  return done;
}

// Calls one of the virtual device DLL's registration entry points.
inline bool callVirtualDevice(const char* entry) {
  HMODULE library = LoadLibraryA(CANTORA_VIRTUAL_DRIVER);
  if (library == nullptr) return false;
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto function =
      reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(library, entry)));
  const bool done = function != nullptr && function() == S_OK;
  FreeLibrary(library);
  return done;
}

// While alive, "software\asio" holds only what the test puts there; at the
// end it holds the virtual device alone, registered afresh.
class ScopedAsioKey {
 public:
  ScopedAsioKey() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, ASIO_KEY); }
  ~ScopedAsioKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ASIO_KEY);
    for (const std::wstring& classKey : classes_)
      RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey.c_str());
    callVirtualDevice("DllRegisterServer");
  }
  ScopedAsioKey(const ScopedAsioKey&) = delete;
  ScopedAsioKey& operator=(const ScopedAsioKey&) = delete;

  // A driver entry; empty values are left out.
  void entry(const std::string& key, const std::wstring& classText, const std::string& description,
             const std::vector<std::pair<std::string, std::string>>& settings = {}) {
    const std::wstring path = std::wstring(ASIO_KEY) + L"\\" + wide(key);
    if (!classText.empty()) setRegistryString(HKEY_LOCAL_MACHINE, path, L"clsid", classText);
    if (!description.empty())
      setRegistryString(HKEY_LOCAL_MACHINE, path, L"description", wide(description));
    for (const auto& [name, value] : settings)
      setRegistryString(HKEY_LOCAL_MACHINE, path, wide(name).c_str(), wide(value));
    if (classText.empty() && description.empty() && settings.empty()) {
      HKEY created = nullptr;
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                      nullptr);
      if (created != nullptr) RegCloseKey(created);
    }
  }
  // A class whose in-process server is libraryPath (removed at the end).
  void serverClass(const std::wstring& classText, const std::wstring& libraryPath) {
    const std::wstring classKey = L"CLSID\\" + classText;
    classes_.push_back(classKey);
    setRegistryString(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", nullptr, libraryPath);
  }

 private:
  std::vector<std::wstring> classes_;
};

}  // namespace hosttest
