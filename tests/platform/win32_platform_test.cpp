// The Windows side of the platform layer: UTF-8 names reach the system as
// UTF-16 (so names outside any code page work), output files are binary and
// replace their target, and Devnum comes from the registry as a number only.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/device_number_setting.h"
#include "platform/mapped_file.h"
#include "platform/output_file.h"
#include "platform/win32/utf16_text.h"

namespace {

namespace fs = std::filesystem;

// A folder of the test's own with a name no single-byte code page holds.
class Win32Folder : public ::testing::Test {
 protected:
  fs::path folder = fs::temp_directory_path() / fs::path(u8"cantora_w\u00fc\u65e5_test");
  void SetUp() override {
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  // The UTF-8 name the program would hold for a file in the folder.
  std::string utf8(const char8_t* name) const {
    const std::u8string text = (folder / fs::path(name)).u8string();
    return std::string(text.begin(), text.end());
  }
  static fs::path systemPath(const std::string& utf8Path) {
    std::wstring wide;
    EXPECT_TRUE(platform::toUtf16(utf8Path, wide));
    return fs::path(wide);
  }
  static void write(const std::string& utf8Path, const std::string& bytes) {
    std::ofstream(systemPath(utf8Path), std::ios::binary) << bytes;
  }
  static std::string contents(const std::string& utf8Path) {
    std::ifstream in(systemPath(utf8Path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(Win32Folder, MapsFilesByUtf8NameAndNothingElse) {
  const std::string name = utf8(u8"Ch\u0153ur \u00e9t\u00e9 \u266b.wav");
  write(name, "ab\ncd");
  auto mapped = platform::MappedFile::map(name.c_str());
  ASSERT_EQ(mapped->size(), 5u);
  EXPECT_EQ(std::memcmp(mapped->data(), "ab\ncd", 5), 0);
  mapped->unmap();
  mapped->unmap();
  EXPECT_EQ(mapped->size(), 0u);

  const std::string empty = utf8(u8"empty");
  write(empty, "");
  // missing, a folder, an empty file, a device, and text that is not UTF-8
  for (const std::string& path :
       {utf8(u8"missing"), utf8(u8""), empty, std::string("NUL"), std::string("bad \xff name")}) {
    mapped = platform::MappedFile::map(path.c_str());
    EXPECT_EQ(mapped->size(), 0u) << path;
    EXPECT_EQ(mapped->data(), nullptr) << path;
  }
  EXPECT_EQ(platform::MappedFile::map(nullptr)->size(), 0u);
}

TEST_F(Win32Folder, OutputFilesAreBinaryPatchedInPlaceAndReplaceTheirTarget) {
  const std::string temp = utf8(u8".n\u00e4me.tmp");
  const std::string target = utf8(u8"n\u00e4me.wav");
  {
    platform::OutputFile file;
    ASSERT_TRUE(file.create(temp.c_str(), true));
    EXPECT_TRUE(file.isRegular());
    ASSERT_TRUE(file.writeAt("0123\n\n6789", 10, 0));
    ASSERT_TRUE(file.writeAt("AB", 2, 2));  // a header patched afterwards
    ASSERT_TRUE(file.truncate(8));
    EXPECT_TRUE(file.close());
  }
  EXPECT_EQ(contents(temp), std::string("01AB\n\n67"));
  platform::OutputFile again;
  EXPECT_FALSE(again.create(temp.c_str(), true));  // exclusive: it exists
  EXPECT_NE(again.lastError(), 0);

  write(target, "old contents");
  int error = 0;
  ASSERT_TRUE(platform::replaceFile(temp.c_str(), target.c_str(), error)) << error;
  EXPECT_EQ(contents(target), std::string("01AB\n\n67"));
  EXPECT_FALSE(platform::removeFile(temp.c_str()));  // it moved
  EXPECT_FALSE(platform::replaceFile(temp.c_str(), target.c_str(), error));
  EXPECT_TRUE(platform::removeFile(target.c_str()));
}

TEST(Utf16Text, RoundTripsAndRefusesMalformedText) {
  std::wstring wide;
  std::string back;
  const std::string text = "A\xc3\xa9\xe2\x99\xab\xf0\x9f\x8e\xb5";  // A, e acute, note, emoji
  ASSERT_TRUE(platform::toUtf16(text, wide));
  EXPECT_EQ(wide, std::wstring(L"A\u00e9\u266b\U0001F3B5"));
  ASSERT_TRUE(platform::toUtf8(wide, back));
  EXPECT_EQ(back, text);
  EXPECT_FALSE(platform::toUtf16("\xc3", wide));                           // cut short
  EXPECT_FALSE(platform::toUtf16("\xc0\xaf", wide));                       // overlong
  EXPECT_FALSE(platform::toUtf8(std::wstring(1, wchar_t(0xD800)), back));  // lone surrogate
}

// The registry of the test's own Wine prefix; the value is removed afterwards.
class DevnumValue : public ::testing::Test {
 protected:
  static constexpr const wchar_t* KEY = L"Software\\Harbourline\\Rivulet\\Options";
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Harbourline"); }
  static void store(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, L"Devnum", 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

TEST_F(DevnumValue, IsReadAsAFourByteNumberOnly) {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Harbourline");
  std::int32_t value = -7;
  EXPECT_FALSE(platform::readDeviceNumberSetting(value));  // no key
  EXPECT_EQ(value, -7);
  const DWORD two = 2;
  store(REG_DWORD, &two, sizeof two);
  ASSERT_TRUE(platform::readDeviceNumberSetting(value));
  EXPECT_EQ(value, 2);
  const DWORD minusOne = 0xFFFFFFFF;
  store(REG_DWORD, &minusOne, sizeof minusOne);
  ASSERT_TRUE(platform::readDeviceNumberSetting(value));
  EXPECT_EQ(value, -1);
  // a string "1" is not the number 1, nor the four bytes it happens to fill
  store(REG_SZ, L"1", 4);
  value = -7;
  EXPECT_FALSE(platform::readDeviceNumberSetting(value));
  EXPECT_EQ(value, -7);
}

}  // namespace
