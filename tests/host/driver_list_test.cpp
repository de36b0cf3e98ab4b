#include "host/driver_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/host_constants.h"
#include "host/test_catalogue.h"

namespace host {
namespace {

using hosttest::TempFolder;
using hosttest::virtualDriverPath;

std::string section(const std::string& key, const std::string& clsid, const std::string& extra) {
  return "[" + key + "]\nclsid = " + clsid + "\n" + extra;
}

const char* A = "{00000000-0000-0000-0000-00000000000A}";
const char* B = "{00000000-0000-0000-0000-00000000000B}";
const char* C = "{00000000-0000-0000-0000-00000000000C}";

// Entries without a class, with an unknown class or with a missing library
// give no record and shift no id.
TEST(DriverList, EntriesThatCannotLoadShiftNoIds) {
  TempFolder folder;
  const std::string catalogue = folder.write(
      "drivers.ini", "[No Class]\ndescription = x\n" +
                         section("Unknown", "{00000000-0000-0000-0000-00000000000D}", "") +
                         section("First", A, "description = First Device\n") +
                         section("Second", B, "description = Second Device\n") +
                         section("Third", C, "") + "[classes]\n" + A + " = " + virtualDriverPath() +
                         "\n" + B + " = " + folder.path() + "/missing.so\n" +
                         // class ids compare without case
                         "{00000000-0000-0000-0000-00000000000c} = " + virtualDriverPath() + "\n");
  DriverList list(catalogue);
  ASSERT_EQ(list.count(), 2);
  char name[128];
  EXPECT_EQ(list.driverName(0, name, sizeof name), DRIVER_LIST_OK);
  EXPECT_STREQ(name, "First Device");
  // without a description the key name stands in
  EXPECT_EQ(list.driverName(1, name, sizeof name), DRIVER_LIST_OK);
  EXPECT_STREQ(name, "Third");
  EXPECT_EQ(list.driverName(2, name, sizeof name), DRIVER_LIST_NO_SUCH_DRIVER);
}

TEST(DriverList, RelativeLibraryPathsAreTakenFromTheCataloguesFolder) {
  TempFolder folder;
  const std::string catalogue =
      folder.write("drivers.ini", section("Here", A, "") + "[classes]\n" + A + " = lib.so\n");
  EXPECT_EQ(DriverList(catalogue).count(), 0);
  folder.write("lib.so", "not really a library");
  DriverList list(catalogue);
  ASSERT_EQ(list.count(), 1);
  // the file exists but does not load: the loader's refusal comes back
  drivers::AsioDriver* driver = nullptr;
  EXPECT_EQ(list.openDriver(0, &driver), DRIVER_CLASS_NOT_AVAILABLE);
  EXPECT_EQ(driver, nullptr);
}

TEST(DriverList, AnEmptyOrMissingCatalogueGivesNoRecord) {
  TempFolder folder;
  EXPECT_EQ(DriverList(folder.write("empty.ini", "")).count(), 0);
  EXPECT_EQ(DriverList(folder.path() + "/absent.ini").count(), 0);
  EXPECT_EQ(DriverList(folder.write("junk.ini", "\x01\x02garbage]]\n=\n[classes\n")).count(), 0);
}

TEST(DriverList, LongNamesAreCutToFillTheBufferExactly) {
  TempFolder folder;
  const std::string catalogue =
      folder.write("drivers.ini", section("K", A, "description = ABCDEFGHIJ\n") + "[classes]\n" +
                                      A + " = " + virtualDriverPath() + "\n");
  DriverList list(catalogue);
  char name[16];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(list.driverName(0, name, 11), DRIVER_LIST_OK);  // 10 characters fit whole
  EXPECT_STREQ(name, "ABCDEFGHIJ");
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(list.driverName(0, name, 10), DRIVER_LIST_OK);
  EXPECT_STREQ(name, "ABCDEF...");
  EXPECT_EQ(name[10], 'x');  // nothing beyond the buffer
  EXPECT_EQ(list.driverName(0, nullptr, 10), DRIVER_LIST_MISSING_PARAMETER);
}

TEST(DriverList, ParsesClassIds) {
  drivers::ClassId id{};
  ASSERT_TRUE(parseClassId("{6c1b9e52-3F0A-4D8E-9A71-2B5C8E0D4F13}", id));
  EXPECT_EQ(id.data1, 0x6C1B9E52u);
  EXPECT_EQ(id.data2, 0x3F0A);
  EXPECT_EQ(id.data3, 0x4D8E);
  EXPECT_EQ(id.data4[0], 0x9A);
  EXPECT_EQ(id.data4[7], 0x13);
  EXPECT_FALSE(parseClassId("{6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F1G}", id));
  EXPECT_EQ(id.data1, 0u);
  EXPECT_FALSE(parseClassId("6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13", id));
}

}  // namespace
}  // namespace host
