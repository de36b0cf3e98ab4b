// The driver list over the driver catalogue (systems without the registry): a
// record per catalogue section whose class names an existing library, opened
// by loading that library and calling its factory.
#include <dlfcn.h>

#include <string>
#include <vector>

#include "host/driver_list.h"
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
    copyRecordText(record->libraryPath, sizeof record->libraryPath, library);
    const std::string* description = section.find("description");
    copyRecordText(record->displayName, sizeof record->displayName,
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

}  // namespace host
