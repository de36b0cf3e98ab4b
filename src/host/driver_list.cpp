#include "host/driver_list.h"

#include <algorithm>
#include <cstring>

#include "host/host_constants.h"

namespace host {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void copyRecordText(char* target, std::size_t capacity, const std::string& text) {
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

bool parseClassId(const std::string& text, drivers::ClassId& id) {
  id = drivers::ClassId{};
  // {8-4-4-4-12}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  std::uint8_t bytes[16];
  std::size_t at = 1;
  int byte = 0;
  for (const int group : {4, 2, 2, 2, 6}) {
    for (int i = 0; i < group; ++i) {
      const int high = hexValue(text[at]);
      const int low = hexValue(text[at + 1]);
      if (high < 0 || low < 0) return false;
      bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
      at += 2;
    }
    if (byte < 16) {
      if (text[at] != '-') return false;
      ++at;
    }
  }
  id.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
             (std::uint32_t{bytes[2]} << 8) | bytes[3];
  id.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  id.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(id.data4, bytes + 8, 8);
  return true;
}

DriverRecord* DriverList::find(std::int32_t id) const {
  for (DriverRecord* r = head_.get(); r != nullptr; r = r->next.get()) {
    if (r->id == id) return r;
  }
  return nullptr;
}

std::int32_t DriverList::driverName(std::int32_t id, char* buffer, std::int32_t size) const {
  if (buffer == nullptr) return DRIVER_LIST_MISSING_PARAMETER;
  const DriverRecord* record = find(id);
  if (record == nullptr) return DRIVER_LIST_NO_SUCH_DRIVER;
  if (size <= 0) return DRIVER_LIST_OK;  // nothing fits, not even the terminator
  const std::size_t length = std::strlen(record->displayName);
  if (length < static_cast<std::size_t>(size)) {
    std::memcpy(buffer, record->displayName, length + 1);
  } else if (size >= 4) {
    const auto kept = static_cast<std::size_t>(size - 4);
    std::memcpy(buffer, record->displayName, kept);
    std::memcpy(buffer + kept, "...", 4);
  } else {
    // too small for the ellipsis: as much of the name as fits
    std::memcpy(buffer, record->displayName, static_cast<std::size_t>(size - 1));
    buffer[size - 1] = '\0';
  }
  return DRIVER_LIST_OK;
}

}  // namespace host
