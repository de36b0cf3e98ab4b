#include "host/driver_list.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/host_constants.h"
#include "platform/driver_catalogue.h"

namespace host {

// A driver's catalogue section, kept as strings with the pointer view the
// factory takes.
struct DriverSettings {
  std::vector<std::string> keys;
  std::vector<std::string> values;
  std::vector<drivers::DriverSetting> view;

  void rebuildView() {
    view.clear();
    for (std::size_t i = 0; i < keys.size(); ++i)
      view.push_back({keys[i].c_str(), values[i].c_str()});
  }
};

DriverRecord::DriverRecord() = default;

DriverRecord::~DriverRecord() {
  // free the chain from its tail toward the head, releasing drivers on the way
  if (next) next.reset();
  if (openDriver != nullptr) openDriver->release();
  if (library != nullptr) dlclose(library);
}

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void copyText(char* target, std::size_t capacity, const std::string& text) {
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

}  // namespace

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

DriverList::DriverList() {
  build(platform::driverCataloguePath());
}

DriverList::DriverList(const std::string& cataloguePath) {
  build(cataloguePath);
}

DriverList::~DriverList() = default;

void DriverList::build(const std::string& cataloguePath) {
  platform::DriverCatalogue catalogue;
  catalogue.load(cataloguePath);
  std::unique_ptr<DriverRecord>* tail = &head_;
  std::int32_t built = 0;
  for (const platform::IniSection& section : catalogue.file().sections) {
    if (platform::DriverCatalogue::isClassTable(section)) continue;
    const std::string* classText = section.find("clsid");
    if (classText == nullptr) continue;
    std::string library;
    if (!catalogue.findLibrary(*classText, library)) continue;
    auto record = std::make_unique<DriverRecord>();
    record->id = built;
    // an unparsable class id stays all zero, as the loader would leave it
    parseClassId(classText->substr(0, 100), record->classId);
    copyText(record->libraryPath, sizeof record->libraryPath, library);
    const std::string* description = section.find("description");
    copyText(record->displayName, sizeof record->displayName,
             description != nullptr ? *description : section.name);
    record->settings = std::make_unique<DriverSettings>();
    for (const platform::IniEntry& entry : section.entries) {
      record->settings->keys.push_back(entry.key);
      record->settings->values.push_back(entry.value);
    }
    record->settings->rebuildView();
    *tail = std::move(record);
    tail = &(*tail)->next;
    ++built;
  }
  count_ = built;
}

DriverRecord* DriverList::find(std::int32_t id) const {
  for (DriverRecord* r = head_.get(); r != nullptr; r = r->next.get()) {
    if (r->id == id) return r;
  }
  return nullptr;
}

std::int32_t DriverList::openDriver(std::int32_t id, drivers::AsioDriver** driver) {
  if (driver == nullptr) return DRIVER_LIST_MISSING_PARAMETER;
  DriverRecord* record = find(id);
  if (record == nullptr) return DRIVER_LIST_NO_SUCH_DRIVER;
  if (record->openDriver != nullptr) return DRIVER_LIST_ALREADY_OPEN;
  *driver = nullptr;
  void* library = dlopen(record->libraryPath, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return DRIVER_CLASS_NOT_AVAILABLE;
  auto factory =
      reinterpret_cast<CantoraDriverFactory>(dlsym(library, CANTORA_DRIVER_FACTORY_NAME));
  if (factory == nullptr) {
    dlclose(library);
    return DRIVER_CLASS_NOT_AVAILABLE;
  }
  drivers::AsioDriver* created = nullptr;
  const std::int32_t result =
      factory(&record->classId, record->settings->view.data(),
              static_cast<std::int32_t>(record->settings->view.size()), &created);
  if (result != 0 || created == nullptr) {
    if (created != nullptr) created->release();
    dlclose(library);
    return result != 0 ? result : DRIVER_CLASS_NOT_AVAILABLE;
  }
  record->library = library;
  record->openDriver = created;
  *driver = created;
  return DRIVER_LIST_OK;
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
