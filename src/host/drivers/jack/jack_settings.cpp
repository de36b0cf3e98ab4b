#include "host/drivers/jack/jack_settings.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "host/drivers/jack/jack_constants.h"

namespace jackdriver {

namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool sameKey(const char* key, const char* name) {
  return key != nullptr && lowered(key) == name;
}

void complain(std::string& error, const char* key, const std::string& value, const char* wanted) {
  if (!error.empty()) return;
  error = std::string("setting \"") + key + "\" must be " + wanted + ", not \"" + value + "\"";
}

}  // namespace

JackSettings readSettings(const drivers::DriverSetting* settings, std::int32_t count,
                          std::string& error) {
  JackSettings out;
  for (std::int32_t i = 0; settings != nullptr && i < count; ++i) {
    const char* key = settings[i].key;
    const std::string value = settings[i].value != nullptr ? settings[i].value : "";
    const std::string v = lowered(value);
    if (sameKey(key, SETTING_SAMPLE_RATE)) {
      if (v == RATE_SERVER)
        out.presentServerRate = true;
      else if (v == "44100")
        out.presentServerRate = false;
      else
        complain(error, SETTING_SAMPLE_RATE, value, "44100 or server");
    } else if (sameKey(key, SETTING_SAMPLE_TYPE)) {
      if (v == "16")
        out.sampleType = drivers::SAMPLE_TYPE_INT16_LSB;
      else if (v == "17")
        out.sampleType = drivers::SAMPLE_TYPE_INT24_LSB;
      else if (v == "18")
        out.sampleType = drivers::SAMPLE_TYPE_INT32_LSB;
      else
        complain(error, SETTING_SAMPLE_TYPE, value, "16, 17 or 18");
    } else if (sameKey(key, SETTING_AUTOCONNECT)) {
      if (v == "yes" || v == "true" || v == "1" || v == "on")
        out.autoconnect = true;
      else if (v == "no" || v == "false" || v == "0" || v == "off")
        out.autoconnect = false;
      else
        complain(error, SETTING_AUTOCONNECT, value, "yes or no");
    } else if (sameKey(key, SETTING_SERVER)) {
      out.serverName = value;
    }
  }
  return out;
}

}  // namespace jackdriver
