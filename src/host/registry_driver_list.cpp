// The driver list on Windows: the installed drivers are the subkeys of
// HKEY_LOCAL_MACHINE "software\asio" (values "clsid" and "description"); a
// driver's library is its class's InprocServer32 under HKEY_CLASSES_ROOT
// "clsid", and a driver is created through COM as an in-process server.
// Registry text is read in UTF-16 and kept as UTF-8.
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "host/driver_list.h"
#include "host/host_constants.h"
#include "platform/win32/utf16_text.h"

namespace host {

// The catalogue's settings have no counterpart here: a COM driver reads its
// own.
struct DriverSettings {};

DriverRecord::DriverRecord() = default;

DriverRecord::~DriverRecord() {
  // free the chain from its tail toward the head, releasing drivers on the way
  if (next) next.reset();
  if (openDriver != nullptr) openDriver->release();
}

namespace {

// Sizes of the registry reads, in characters.
constexpr DWORD KEY_NAME_CHARS = 128;
constexpr DWORD VALUE_CHARS = 128;  // 256 bytes
constexpr DWORD PATH_CHARS = 512;
constexpr std::size_t CLASS_TEXT_CHARS = 100;

class RegistryKey {
 public:
  RegistryKey(HKEY parent, const std::wstring& path) {
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

  // A string value (name null: the key's default value) of at most `chars`
  // characters, terminator included; false when missing or not a string.
  bool readString(const wchar_t* name, DWORD chars, std::wstring& out) const {
    std::wstring buffer(chars, L'\0');
    DWORD type = 0;
    DWORD bytes = chars * sizeof(wchar_t);
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return false;
    buffer.resize(bytes / sizeof(wchar_t));
    // the stored string may or may not carry its terminator
    const std::size_t end = buffer.find(L'\0');
    if (end != std::wstring::npos) buffer.resize(end);
    out = buffer;
    return true;
  }

 private:
  HKEY key_ = nullptr;
};

bool utf8(const std::wstring& text, std::string& out) {
  return platform::toUtf8(text, out);
}

// The library of a class, from its InprocServer32 default value; found only
// when that file exists. Key names compare without case, so opening the
// class's key by name finds the first subkey that equals it.
bool findLibrary(const std::wstring& classText, std::wstring& library) {
  if (classText.empty() || classText.find(L'\\') != std::wstring::npos) return false;
  const RegistryKey server(HKEY_CLASSES_ROOT, L"clsid\\" + classText + L"\\InprocServer32");
  if (!server || !server.readString(nullptr, PATH_CHARS, library) || library.empty()) return false;
  const DWORD attributes = GetFileAttributesW(library.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

DriverList::DriverList() {
  const RegistryKey drivers(HKEY_LOCAL_MACHINE, L"software\\asio");
  if (!drivers) return;
  std::unique_ptr<DriverRecord>* tail = &head_;
  std::int32_t built = 0;
  for (DWORD index = 0;; ++index) {
    wchar_t name[KEY_NAME_CHARS];
    DWORD nameChars = KEY_NAME_CHARS;
    const LONG enumerated =
        RegEnumKeyExW(drivers.get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    // A name too long for the buffer is passed over; it does not hide the
    // drivers after it.
    if (enumerated == ERROR_MORE_DATA) continue;
    if (enumerated != ERROR_SUCCESS) break;
    const std::wstring keyName(name, nameChars);
    const RegistryKey entry(drivers.get(), keyName);
    std::wstring classText;
    if (!entry || !entry.readString(L"clsid", VALUE_CHARS, classText)) continue;
    std::wstring library;
    if (!findLibrary(classText, library)) continue;
    auto record = std::make_unique<DriverRecord>();
    record->id = built;
    // an unparsable class id stays all zero
    const std::wstring shortClass = classText.substr(0, CLASS_TEXT_CHARS);
    CLSID parsed{};
    if (CLSIDFromString(shortClass.c_str(), &parsed) == NOERROR)
      std::memcpy(&record->classId, &parsed, sizeof parsed);
    std::string text;
    if (utf8(library, text)) copyRecordText(record->libraryPath, sizeof record->libraryPath, text);
    std::wstring description;
    if (!entry.readString(L"description", VALUE_CHARS, description)) description = keyName;
    if (utf8(description, text))
      copyRecordText(record->displayName, sizeof record->displayName, text);
    *tail = std::move(record);
    tail = &(*tail)->next;
    ++built;
  }
  count_ = built;
  // S_FALSE (already initialised on this thread) also takes an uninitialise.
  if (count_ > 0) comInitialised_ = SUCCEEDED(CoInitialize(nullptr));
}

DriverList::~DriverList() {
  head_.reset();
  if (comInitialised_) CoUninitialize();
}

std::int32_t DriverList::openDriver(std::int32_t id, drivers::AsioDriver** driver) {
  if (driver == nullptr) return DRIVER_LIST_MISSING_PARAMETER;
  DriverRecord* record = find(id);
  if (record == nullptr) return DRIVER_LIST_NO_SUCH_DRIVER;
  if (record->openDriver != nullptr) return DRIVER_LIST_ALREADY_OPEN;
  *driver = nullptr;
  CLSID classId;
  static_assert(sizeof classId == sizeof record->classId);
  std::memcpy(&classId, &record->classId, sizeof classId);
  // A driver answers to its own class id as the interface id.
  void* created = nullptr;
  const HRESULT result =
      CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, classId, &created);
  if (FAILED(result) || created == nullptr) {
    if (created != nullptr) static_cast<drivers::AsioDriver*>(created)->release();
    return result != S_OK ? static_cast<std::int32_t>(result) : DRIVER_CLASS_NOT_AVAILABLE;
  }
  record->openDriver = static_cast<drivers::AsioDriver*>(created);
  *driver = record->openDriver;
  return DRIVER_LIST_OK;
}

}  // namespace host
