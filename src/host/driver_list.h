// The list of usable audio drivers: one record per registered driver whose
// class names an existing library, numbered from 0 without gaps. It hands out
// display names and opens a driver. On Windows the drivers are those under
// HKEY_LOCAL_MACHINE "software\asio", created through COM
// (registry_driver_list.cpp); elsewhere the driver catalogue lists them and a
// driver is opened by loading its library and calling its factory
// (catalogue_driver_list.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/drivers/driver.h"

namespace host {

struct DriverSettings;

// Why no driver could be opened when the list is empty.
#ifdef _WIN32
inline constexpr const char* NO_DRIVER_TEXT = "no audio driver is registered (software\\asio)";
#else
inline constexpr const char* NO_DRIVER_TEXT = "no audio driver is listed in the driver catalogue";
#endif

struct DriverRecord {
  std::int32_t id = 0;
  drivers::ClassId classId{};
  char libraryPath[512] = {};
  char displayName[128] = {};
  drivers::AsioDriver* openDriver = nullptr;
  void* library = nullptr;  // the loaded library while the driver is open (catalogue)
  std::unique_ptr<DriverRecord> next;
  // The driver's catalogue section, handed to its factory.
  std::unique_ptr<DriverSettings> settings;

  DriverRecord();
  ~DriverRecord();
};

class DriverList {
 public:
  // Reads the registry (Windows) or the catalogue found by
  // platform::driverCataloguePath(). On Windows COM is initialised on the
  // calling thread when at least one record was built, and uninitialised again
  // when the list goes.
  DriverList();
  // Reads the catalogue at cataloguePath (systems without the registry).
  explicit DriverList(const std::string& cataloguePath);
  ~DriverList();
  DriverList(const DriverList&) = delete;
  DriverList& operator=(const DriverList&) = delete;

  std::int32_t count() const { return count_; }

  // 0, and the driver in *driver and in the record; -5001 without driver,
  // -5003 for an unknown id, -5002 when already open; otherwise the factory's
  // (or the loader's) non-zero result.
  std::int32_t openDriver(std::int32_t id, drivers::AsioDriver** driver);

  // -5001 without buffer, -5003 for an unknown id, else 0 with the name in
  // buffer, cut to size - 4 characters and "..." when it does not fit.
  std::int32_t driverName(std::int32_t id, char* buffer, std::int32_t size) const;

 private:
  void build(const std::string& cataloguePath);
  DriverRecord* find(std::int32_t id) const;

  std::unique_ptr<DriverRecord> head_;
  std::int32_t count_ = 0;
  bool comInitialised_ = false;  // Windows: this list owes one CoUninitialize
};

// Copies text into a record's fixed field, cut to capacity - 1 bytes.
void copyRecordText(char* target, std::size_t capacity, const std::string& text);

// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (any case); false, with id
// all zero, on anything else.
bool parseClassId(const std::string& text, drivers::ClassId& id);

}  // namespace host
