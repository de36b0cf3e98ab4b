// The virtual device library's entry point.
#include <new>
#include <string>

#include "host/drivers/driver.h"
#include "virtual_device.h"
#include "virtual_settings.h"

extern "C" __attribute__((visibility("default"))) std::int32_t CantoraDriverCreate(
    const drivers::ClassId* /*classId*/, const drivers::DriverSetting* settings,
    std::int32_t settingCount, drivers::AsioDriver** driver) {
  if (driver == nullptr) return drivers::DRIVER_INVALID_PARAMETER;
  *driver = nullptr;
  try {
    virtualdevice::VirtualSettings parsed;
    std::string error;
    // bad settings make init fail with the reason as its error message
    if (!virtualdevice::parseVirtualSettings(settings, settingCount, parsed, error)) {
      parsed = virtualdevice::VirtualSettings{};
      if (error.empty()) error = "bad settings";
    }
    *driver = new virtualdevice::VirtualDevice(parsed, error);
  } catch (...) {
    return drivers::DRIVER_NO_MEMORY;
  }
  return drivers::DRIVER_OK;
}
