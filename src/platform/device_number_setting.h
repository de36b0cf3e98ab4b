// The program's one stored setting: "Devnum", the audio driver to open when
// none is named. Windows keeps it in the registry (HKEY_CURRENT_USER
// "Software\Harbourline\Rivulet\Options"), other systems in the settings file.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr const char* DEVICE_NUMBER_VALUE = "Devnum";
inline constexpr const char* OPTIONS_SECTION = "Options";

// False when the setting is absent or unreadable; value is left alone then.
bool readDeviceNumberSetting(std::int32_t& value);

}  // namespace platform
