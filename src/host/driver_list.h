// The list of usable audio drivers, read from the driver catalogue: one record
// per catalogue entry whose class names an existing library, numbered from 0
// without gaps. It hands out display names and opens a driver by loading its
// library and calling the library's factory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/drivers/driver.h"

namespace host {

struct DriverSettings;

struct DriverRecord {
  std::int32_t id = 0;
  drivers::ClassId classId{};
  char libraryPath[512] = {};
  char displayName[128] = {};
  drivers::AsioDriver* openDriver = nullptr;
  void* library = nullptr;  // the loaded library while the driver is open
  std::unique_ptr<DriverRecord> next;
  // The driver's catalogue section, handed to its factory.
  std::unique_ptr<DriverSettings> settings;

  DriverRecord();
  ~DriverRecord();
};

class DriverList {
 public:
  // Reads the catalogue found by platform::driverCataloguePath().
  DriverList();
  // Reads the catalogue at cataloguePath.
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
};

// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (any case); false, with id
// all zero, on anything else.
bool parseClassId(const std::string& text, drivers::ClassId& id);

}  // namespace host
