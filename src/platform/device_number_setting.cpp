#include "platform/device_number_setting.h"

#include "platform/settings_file.h"

namespace platform {

bool readDeviceNumberSetting(std::int32_t& value) {
  return readSettingNumber(settingsFilePath(), OPTIONS_SECTION, DEVICE_NUMBER_VALUE, value);
}

}  // namespace platform
