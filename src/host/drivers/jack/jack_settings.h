// The JACK driver's settings, read from its section of the driver catalogue:
// which rate it presents, the sample type of its buffers, whether it connects
// to the system ports, and which server it talks to.
#pragma once

#include <cstdint>
#include <string>

#include "host/drivers/driver.h"

namespace jackdriver {

struct JackSettings {
  bool presentServerRate = false;  // else 44100 Hz, converted inside the driver
  std::int32_t sampleType = drivers::SAMPLE_TYPE_INT32_LSB;
  bool autoconnect = true;
  std::string serverName;  // empty: JACK_DEFAULT_SERVER, else "default"
};

// Reads the settings; unknown keys (clsid, description, others') are left
// alone. A value the driver cannot use leaves the default in place and puts a
// one-line reason into `error` (the first such reason wins).
JackSettings readSettings(const drivers::DriverSetting* settings, std::int32_t count,
                          std::string& error);

}  // namespace jackdriver
