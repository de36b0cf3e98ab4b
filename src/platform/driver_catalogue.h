// The driver catalogue: an INI file that tells the host which audio drivers
// exist. Every section but [classes] is one driver, named by its key name, with
// its class id ("clsid"), its "description" and its own settings; [classes]
// maps each class id to the driver library's path.
#pragma once

#include <string>
#include <string_view>

#include "platform/ini_file.h"

namespace platform {

// The environment variable that names a catalogue to use instead of any other.
inline constexpr const char* DRIVER_CATALOGUE_VARIABLE = "CANTORA_DRIVER_CATALOGUE";
inline constexpr const char* CATALOGUE_CLASS_SECTION = "classes";

// The catalogue file to read: $CANTORA_DRIVER_CATALOGUE when set, else the
// user's catalogue configHome()/cantora/drivers.ini when it exists, else the
// bundled one: share/cantora/drivers.ini beside the running executable's bin/
// folder, in an installed tree and in the build tree alike (or one folder
// further up, for programs in a subfolder of bin/).
std::string driverCataloguePath();

// The folder holding the running executable, empty when unknown.
std::string executableDir();

class DriverCatalogue {
 public:
  // Reads the catalogue at path; a missing or unreadable file is an empty
  // catalogue.
  void load(const std::string& path);

  const IniFile& file() const { return file_; }
  // True for the class table's section, which is not a driver.
  static bool isClassTable(const IniSection& section);

  // The library of a class: the first class table entry whose name equals
  // classId without case. Found only when that entry names a file that exists;
  // the search stops at the first equal name either way. A relative path is
  // taken from the catalogue's folder.
  bool findLibrary(std::string_view classId, std::string& libraryPath) const;

 private:
  IniFile file_;
  std::string folder_;
};

}  // namespace platform
