#include "battery/class_of_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace tellwick {
namespace {

using T = BluetoothDeviceType;
using M = MajorClass;

// A Class of Device value as a device announces it: format bits 0-1,
// minor code 2-7, major code 8-12, service classes 13-23; all service
// classes, both format bits and a bit above the field are set, and must
// change nothing.
std::int64_t raw(std::int64_t major, std::int64_t minor) {
  return (std::int64_t{1} << 40) | (0x7FF << 13) | (major << 8) | (minor << 2) | 3;
}

// Each minor table at its first entry, its last, and just past it; majors
// without a table know no minor code.
TEST(ClassOfDeviceTest, DecodesMajorAndMinorCodesWithEachTablesDefault) {
  const std::tuple<std::int64_t, std::int64_t, M, T, T> rows[] = {
      {0x01, 0x00, M::computer, T::unknown, T::uncategorized},
      {0x01, 0x07, M::computer, T::unknown, T::tablet},
      {0x01, 0x08, M::computer, T::unknown, T::unknown},
      {0x02, 0x05, M::phone, T::unknown, T::commonIsdnAccess},
      {0x02, 0x06, M::phone, T::unknown, T::unknown},
      {0x04, 0x12, M::audioVideo, T::unknown, T::gamingOrToy},
      {0x04, 0x13, M::audioVideo, T::unknown, T::unknown},
      // Peripherals split the minor code: category in bits 4-5, type below.
      {0x05, 0x00, M::peripheral, T::notKeyboardPointingDevice, T::uncategorized},
      {0x05, 0x12, M::peripheral, T::keyboard, T::gamepad},
      {0x05, 0x29, M::peripheral, T::pointingDevice, T::handheldGesturalInputDevice},
      {0x05, 0x38, M::peripheral, T::comboKeyboardPointingDevice, T::handheldScannerForBarCodes},
      {0x05, 0x0A, M::peripheral, T::notKeyboardPointingDevice, T::unknown},
      {0x08, 0x05, M::toy, T::unknown, T::game},
      {0x08, 0x06, M::toy, T::unknown, T::unknown},
      {0x09, 0x0F, M::health, T::unknown, T::personalMobilityDevice},
      {0x09, 0x10, M::health, T::unknown, T::uncategorized},
      {0x1F, 0x03, M::unknown, T::unknown, T::unknown},
  };
  for (const auto& [major, minor, expectedMajor, category, type] : rows) {
    SCOPED_TRACE(::testing::Message() << "major 0x" << std::hex << major << " minor 0x" << minor);
    for (const ClassOfDevice& device :
         {ClassOfDevice(raw(major, minor)), ClassOfDevice(major, minor)}) {
      EXPECT_EQ(std::tuple(device.major(), device.category(), device.deviceType()),
                std::tuple(expectedMajor, category, type));
    }
  }
}

}  // namespace
}  // namespace tellwick
