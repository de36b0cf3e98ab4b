// The driver list on Windows, over registry entries the test writes into its
// own Wine prefix, with the virtual device created through COM.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <string>

#include "host/driver_list.h"
#include "host/host_constants.h"
#include "host/test_registry.h"

namespace host {
namespace {

using hosttest::ScopedAsioKey;

const wchar_t* A = L"{00000000-0000-0000-0000-00000000000A}";
const wchar_t* B = L"{00000000-0000-0000-0000-00000000000B}";

std::wstring virtualDriverPath() {
  wchar_t full[MAX_PATH];
  const DWORD length =
      GetFullPathNameW(hosttest::wide(CANTORA_VIRTUAL_DRIVER).c_str(), MAX_PATH, full, nullptr);
  return std::wstring(full, length);
}

// Whether this thread's COM apartment is taken: an apartment-threaded
// CoInitialize left by the list refuses a multithreaded one.
bool comInitialisedHere() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) CoUninitialize();
  return result == RPC_E_CHANGED_MODE;
}

// Entries without a class, with an unregistered class or with a missing
// library give no record and shift no id.
TEST(RegistryDriverList, EntriesThatCannotLoadShiftNoIds) {
  ScopedAsioKey asio;
  asio.serverClass(A, virtualDriverPath());
  asio.serverClass(B, L"C:\\no\\such\\driver.dll");
  asio.entry("A First", A, "First Device");
  asio.entry("B Missing Library", B, "Second Device");
  asio.entry("C No Class", L"", "x");
  // class ids compare without case; no description: the key name stands in
  asio.entry("D Third", L"{00000000-0000-0000-0000-00000000000a}", "");
  asio.entry("E Unregistered", L"{00000000-0000-0000-0000-00000000000D}", "y");
  DriverList list;
  ASSERT_EQ(list.count(), 2);
  char name[128];
  EXPECT_EQ(list.driverName(0, name, sizeof name), DRIVER_LIST_OK);
  EXPECT_STREQ(name, "First Device");
  EXPECT_EQ(list.driverName(1, name, sizeof name), DRIVER_LIST_OK);
  EXPECT_STREQ(name, "D Third");
  EXPECT_EQ(list.driverName(2, name, sizeof name), DRIVER_LIST_NO_SUCH_DRIVER);
  // the library answers for its own class only
  drivers::AsioDriver* driver = nullptr;
  EXPECT_EQ(list.openDriver(0, &driver), static_cast<std::int32_t>(CLASS_E_CLASSNOTAVAILABLE));
  EXPECT_EQ(driver, nullptr);
}

TEST(RegistryDriverList, InitialisesComOnlyWhenItHasRecords) {
  {
    ScopedAsioKey asio;  // no "software\asio" at all
    DriverList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(comInitialisedHere());
  }
  {
    ScopedAsioKey asio;
    asio.entry("Nothing Usable", B, "z");
    EXPECT_EQ(DriverList().count(), 0);
    EXPECT_FALSE(comInitialisedHere());
  }
  ASSERT_TRUE(hosttest::callVirtualDevice("DllRegisterServer"));
  {
    DriverList list;
    EXPECT_EQ(list.count(), 1);
    EXPECT_TRUE(comInitialisedHere());
  }
  EXPECT_FALSE(comInitialisedHere());  // and uninitialised with the list
}

TEST(RegistryDriverList, UnregisteringRemovesTheDeviceAndKeepsOtherEntries) {
  ScopedAsioKey asio;
  ASSERT_TRUE(hosttest::callVirtualDevice("DllRegisterServer"));
  asio.serverClass(A, virtualDriverPath());
  asio.entry("Other", A, "Other Device");
  EXPECT_EQ(DriverList().count(), 2);
  ASSERT_TRUE(hosttest::callVirtualDevice("DllUnregisterServer"));
  DriverList list;
  ASSERT_EQ(list.count(), 1);
  char name[32];
  ASSERT_EQ(list.driverName(0, name, sizeof name), DRIVER_LIST_OK);
  EXPECT_STREQ(name, "Other Device");
  EXPECT_TRUE(hosttest::callVirtualDevice("DllUnregisterServer"));  // twice is harmless
}

}  // namespace
}  // namespace host
