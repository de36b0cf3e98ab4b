// The JACK driver library's entry point: the factory the host finds by name.
#include <new>
#include <string>

#include "host/drivers/driver.h"
#include "host/drivers/jack/jack_driver.h"
#include "host/drivers/jack/jack_settings.h"

extern "C" std::int32_t CantoraDriverCreate(const drivers::ClassId*,
                                            const drivers::DriverSetting* settings,
                                            std::int32_t settingCount,
                                            drivers::AsioDriver** driver) {
  if (driver == nullptr) return drivers::DRIVER_INVALID_PARAMETER;
  *driver = nullptr;
  try {
    std::string error;
    const jackdriver::JackSettings parsed = jackdriver::readSettings(settings, settingCount, error);
    *driver = new (std::nothrow) jackdriver::JackDriver(parsed, error);
  } catch (...) {
    *driver = nullptr;
  }
  return *driver != nullptr ? drivers::DRIVER_OK : drivers::DRIVER_NO_MEMORY;
}
