// "Devnum" from the registry: a 4-byte number under the user's own key.
#include "platform/device_number_setting.h"

#include <windows.h>

namespace platform {

bool readDeviceNumberSetting(std::int32_t& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Harbourline\\Rivulet\\Options", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  const LONG result =
      RegQueryValueExW(key, L"Devnum", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  // Only a number counts: a string "1" read as four bytes would be a
  // different number altogether.
  if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
  value = static_cast<std::int32_t>(data);
  return true;
}

}  // namespace platform
