#include "platform/driver_catalogue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/settings_file.h"

namespace platform {
namespace {

// Runs a test with the catalogue variables under its control.
class CatalogueLookup : public ::testing::Test {
 protected:
  std::string folder;
  std::string savedXdg;
  bool hadXdg = false;
  void SetUp() override {
    char pattern[] = "/tmp/cantora-catalogue-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    hadXdg = xdg != nullptr;
    if (hadXdg) savedXdg = xdg;
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    unsetenv(DRIVER_CATALOGUE_VARIABLE);
  }
  void TearDown() override {
    if (hadXdg) {
      setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    unsetenv(DRIVER_CATALOGUE_VARIABLE);
    [[maybe_unused]] int ignored = std::system(("rm -rf '" + folder + "'").c_str());
  }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(text.c_str(), f);
    std::fclose(f);
    return path;
  }
};

TEST_F(CatalogueLookup, TheVariableThenTheUserCatalogueThenTheBuiltOne) {
  // the build writes the default catalogue next to bin/ and tests/
  const std::string builtIn = driverCataloguePath();
  EXPECT_NE(builtIn.find("/share/cantora/drivers.ini"), std::string::npos) << builtIn;
  EXPECT_EQ(builtIn.find("/../"), std::string::npos) << builtIn;
  EXPECT_EQ(builtIn.rfind(folder, 0), std::string::npos);

  ASSERT_EQ(mkdir((folder + "/cantora").c_str(), 0700), 0);
  const std::string user = write("cantora/drivers.ini", "");
  EXPECT_EQ(driverCataloguePath(), user);

  setenv(DRIVER_CATALOGUE_VARIABLE, "/somewhere/else.ini", 1);
  EXPECT_EQ(driverCataloguePath(), "/somewhere/else.ini");
}

TEST_F(CatalogueLookup, FindsALibraryByTheFirstEqualClassOnly) {
  write("present.so", "x");
  const std::string path =
      write("drivers.ini",
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
