#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/settings_file.h"

namespace platform {
namespace {

TEST(IniFile, ReadsSectionsAndEntriesInOrderWithoutCase) {
  const IniFile file = parseIni(
      "; comment\nstray = before any section\n[One]\n  Key = a value with = sign  \n"
      "# another comment\nnoequals\n[two]\nk=v\n[ONE]\nlater = 2\n[broken\nlost = yes\n");
  ASSERT_EQ(file.sections.size(), 2u);
  const IniSection* one = file.find("one");
  ASSERT_NE(one, nullptr);
  ASSERT_EQ(one->entries.size(), 2u);  // a repeated section adds to the first
  EXPECT_EQ(*one->find("KEY"), "a value with = sign");
  EXPECT_EQ(*one->find("later"), "2");
  EXPECT_EQ(one->find("lost"), nullptr);
  EXPECT_EQ(*file.find("TWO")->find("k"), "v");
  EXPECT_EQ(file.find("stray"), nullptr);
}

TEST(IniFile, HandlesWindowsLineEndsAndAMissingFile) {
  const IniFile file = parseIni("[S]\r\nx = 1\r\n");
  EXPECT_EQ(*file.find("s")->find("x"), "1");
  IniFile missing;
  EXPECT_FALSE(readIniFile("/nonexistent/cantora.ini", missing));
  EXPECT_TRUE(missing.sections.empty());
}

class SettingsFile : public ::testing::Test {
 protected:
  std::string path = ::testing::TempDir() + "cantora-settings-test.conf";
  void write(const char* text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(text, f);
    std::fclose(f);
  }
  void TearDown() override { std::remove(path.c_str()); }
};

TEST_F(SettingsFile, ReadsA32BitNumberLikeARegistryValueAndRefusesWhatIsNone) {
  const std::pair<const char*, std::int32_t> numbers[] = {{"[Options]\nDevnum = 3\n", 3},
                                                          {"[options]\ndevnum = 0xFFFFFFFF\n", -1},
                                                          {"[Options]\nDevnum = -2\n", -2}};
  for (const auto& [text, expected] : numbers) {
    std::int32_t value = -7;
    write(text);
    EXPECT_TRUE(readSettingNumber(path, "Options", "Devnum", value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  std::int32_t value = 5;
  for (const char* text :
       {"[Options]\nDevnum = two\n", "[Options]\nDevnum =\n", "[Options]\nDevnum = 4294967296\n",
        "[Other]\nDevnum = 1\n", "[Options]\nDevnum = 1x\n"}) {
    write(text);
    EXPECT_FALSE(readSettingNumber(path, "Options", "Devnum", value)) << text;
  }
  EXPECT_FALSE(readSettingNumber(path + ".absent", "Options", "Devnum", value));
  EXPECT_EQ(value, 5);
}

}  // namespace
}  // namespace platform
