#include "platform/driver_catalogue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "host/test_catalogue.h"

namespace platform {
namespace {

// Runs a test with the catalogue variables under its control.
class CatalogueLookup : public ::testing::Test {
 protected:
  hosttest::TempFolder temp;
  const std::string folder = temp.path();
  hosttest::ScopedEnv configHome{"XDG_CONFIG_HOME", folder.c_str()};
  hosttest::ScopedEnv variable{DRIVER_CATALOGUE_VARIABLE, nullptr};
};

TEST_F(CatalogueLookup, TheVariableThenTheUserCatalogueThenTheBuiltOne) {
  // the build writes the default catalogue next to bin/ and tests/
  const std::string builtIn = driverCataloguePath();
  EXPECT_NE(builtIn.find("/share/cantora/drivers.ini"), std::string::npos) << builtIn;
  EXPECT_EQ(builtIn.find("/../"), std::string::npos) << builtIn;
  EXPECT_EQ(builtIn.rfind(folder, 0), std::string::npos);

  ASSERT_EQ(mkdir((folder + "/cantora").c_str(), 0700), 0);
  const std::string user = temp.write("cantora/drivers.ini", "");
  EXPECT_EQ(driverCataloguePath(), user);

  const hosttest::ScopedEnv named(DRIVER_CATALOGUE_VARIABLE, "/somewhere/else.ini");
  EXPECT_EQ(driverCataloguePath(), "/somewhere/else.ini");
}

TEST_F(CatalogueLookup, FindsALibraryByTheFirstEqualClassOnly) {
  temp.write("present.so", "x");
  const std::string path = temp.write(
      "drivers.ini",
      "[D]\nclsid = {A}\n[classes]\n{b} = present.so\n{a} = missing.so\n{A} = present.so\n"
      "{C} = " +
          folder + "/present.so\n{E} =\n");
  DriverCatalogue catalogue;
  catalogue.load(path);
  std::string library;
  // the first equal name decides, though a later one would have been found
  EXPECT_FALSE(catalogue.findLibrary("{A}", library));
  EXPECT_TRUE(catalogue.findLibrary("{B}", library));
  EXPECT_EQ(library, folder + "/present.so");
  EXPECT_TRUE(catalogue.findLibrary("{c}", library));
  EXPECT_FALSE(catalogue.findLibrary("{E}", library));
  EXPECT_FALSE(catalogue.findLibrary("{F}", library));
  EXPECT_TRUE(DriverCatalogue::isClassTable(catalogue.file().sections[1]));
  EXPECT_FALSE(DriverCatalogue::isClassTable(catalogue.file().sections[0]));
}

}  // namespace
}  // namespace platform
