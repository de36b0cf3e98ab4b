// The driver interface's table: each operation in the slot that drivers built
// for Windows have it in. GCC and Clang (the Itanium C++ ABI, also on MinGW)
// store a pointer to a virtual member as 1 + its byte offset in the table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "host/drivers/driver.h"

namespace {

using drivers::AsioDriver;

template <typename Member>
std::ptrdiff_t slotOf(Member member) {
  struct Representation {
    std::uintptr_t pointer;
    std::ptrdiff_t adjustment;
  } representation;
  static_assert(sizeof(Member) == sizeof(Representation));
  std::memcpy(&representation, &member, sizeof representation);
  if ((representation.pointer & 1) == 0) return -1;  // not a virtual member
  return static_cast<std::ptrdiff_t>((representation.pointer - 1) / sizeof(void*));
}

TEST(DriverInterface, OperationsSitInTheirSlots) {
  const std::ptrdiff_t slots[] = {
      slotOf(&AsioDriver::queryInterface),
      slotOf(&AsioDriver::addRef),
      slotOf(&AsioDriver::release),
      slotOf(&AsioDriver::init),
      slotOf(&AsioDriver::getDriverName),
      slotOf(&AsioDriver::getDriverVersion),
      slotOf(&AsioDriver::getErrorMessage),
      slotOf(&AsioDriver::start),
      slotOf(&AsioDriver::stop),
      slotOf(&AsioDriver::getChannels),
      slotOf(&AsioDriver::getLatencies),
      slotOf(&AsioDriver::getBufferSize),
      slotOf(&AsioDriver::canSampleRate),
      slotOf(&AsioDriver::getSampleRate),
      slotOf(&AsioDriver::setSampleRate),
      slotOf(&AsioDriver::getClockSources),
      slotOf(&AsioDriver::setClockSource),
      slotOf(&AsioDriver::getSamplePosition),
      slotOf(&AsioDriver::getChannelInfo),
      slotOf(&AsioDriver::createBuffers),
      slotOf(&AsioDriver::disposeBuffers),
      slotOf(&AsioDriver::controlPanel),
      slotOf(&AsioDriver::future),
      slotOf(&AsioDriver::outputReady),
  };
  for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(std::size(slots)); ++i)
    EXPECT_EQ(slots[i], i) << "operation " << i;
}

TEST(DriverInterface, WideValuesKeepTheHighWordFirst) {
  const drivers::AsioWideValue v = drivers::AsioWideValue::of(0x0123456789ABCDEFull);
  unsigned char bytes[8];
  std::memcpy(bytes, &v, sizeof bytes);
  // high word 0x01234567 first, each word in the machine's (little-endian) order
  const unsigned char expected[8] = {0x67, 0x45, 0x23, 0x01, 0xEF, 0xCD, 0xAB, 0x89};
  EXPECT_EQ(std::memcmp(bytes, expected, 8), 0);
  EXPECT_EQ(v.value(), 0x0123456789ABCDEFull);
}

}  // namespace
