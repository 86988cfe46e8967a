#include "battery/class_of_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace tellwick {
namespace {

using T = BluetoothDeviceType;
using M = MajorClass;

// A Class of Device value as a device announces it: format bits 0-1,
// minor code 2-7, major code 8-12, service classes 13-23.
std::int64_t raw(std::int64_t major, std::int64_t minor, std::int64_t services = 0,
                 std::int64_t format = 0) {
  return (services << 13) | (major << 8) | (minor << 2) | format;
}

// Each minor table at its first entry, its last, and just past it.
TEST(ClassOfDeviceTest, DecodesMajorAndMinorCodesWithEachTablesDefault) {
  const std::tuple<std::int64_t, std::int64_t, M, T, T> rows[] = {
      {0x01, 0x00, M::computer, T::unknown, T::uncategorized},
      {0x01, 0x07, M::computer, T::unknown, T::tablet},
      {0x01, 0x08, M::computer, T::unknown, T::unknown},
      {0x02, 0x00, M::phone, T::unknown, T::uncategorized},
      {0x02, 0x05, M::phone, T::unknown, T::commonIsdnAccess},
      {0x02, 0x06, M::phone, T::unknown, T::unknown},
      {0x04, 0x00, M::audioVideo, T::unknown, T::uncategorized},
      {0x04, 0x12, M::audioVideo, T::unknown, T::gamingOrToy},
      {0x04, 0x13, M::audioVideo, T::unknown, T::unknown},
      // Peripherals split the minor code: category in bits 4-5, type below.
      {0x05, 0x00, M::peripheral, T::notKeyboardPointingDevice, T::uncategorized},
      {0x05, 0x12, M::peripheral, T::keyboard, T::gamepad},
      {0x05, 0x23, M::peripheral, T::pointingDevice, T::remoteControl},
      {0x05, 0x29, M::peripheral, T::pointingDevice, T::handheldGesturalInputDevice},
      {0x05, 0x38, M::peripheral, T::comboKeyboardPointingDevice, T::handheldScannerForBarCodes},
      {0x05, 0x0A, M::peripheral, T::notKeyboardPointingDevice, T::unknown},
      {0x08, 0x00, M::toy, T::unknown, T::unknown},
      {0x08, 0x05, M::toy, T::unknown, T::game},
      {0x08, 0x06, M::toy, T::unknown, T::unknown},
      {0x09, 0x00, M::health, T::unknown, T::uncategorized},
      {0x09, 0x01, M::health, T::unknown, T::bloodPressure},
      {0x09, 0x0F, M::health, T::unknown, T::personalMobilityDevice},
      {0x09, 0x10, M::health, T::unknown, T::uncategorized},
  };
  for (const auto& [major, minor, expectedMajor, category, type] : rows) {
    SCOPED_TRACE(::testing::Message() << "major 0x" << std::hex << major << " minor 0x" << minor);
    for (const ClassOfDevice& device :
         {ClassOfDevice(raw(major, minor)), ClassOfDevice(major, minor)}) {
      EXPECT_EQ(device.major(), expectedMajor);
      EXPECT_EQ(device.category(), category);
      EXPECT_EQ(device.deviceType(), type);
    }
  }
  for (std::int64_t major : {0x00, 0x03, 0x06, 0x07, 0x0A, 0x1F}) {
    EXPECT_EQ(ClassOfDevice(raw(major, 0x03)).major(), M::unknown) << major;
    EXPECT_EQ(ClassOfDevice(major, 0x23).deviceType(), T::unknown) << major;
  }
}

TEST(ClassOfDeviceTest, RawValueIsKeptAndOnlyItsCodeBitsMatterAndNoValueFaults) {
  for (const auto& [services, format] : {std::pair{0x001, 0}, {0x7FF, 3}}) {
    const ClassOfDevice phone(raw(0x02, 0x03, services, format));
    EXPECT_EQ(phone.rawValue(), raw(0x02, 0x03, services, format));
    EXPECT_EQ(std::pair(phone.major(), phone.deviceType()), std::pair(M::phone, T::smartphone));
  }
  // Bits above the 24-bit field and negative values decode without fault.
  EXPECT_EQ(ClassOfDevice((std::int64_t{1} << 40) | raw(0x04, 0x06)).deviceType(), T::headphones);
  const ClassOfDevice negative(-1);
  EXPECT_EQ(negative.rawValue(), -1);
  EXPECT_EQ(negative.major(), M::unknown);
  // Only separate codes can be negative or wider than their bits.
  EXPECT_EQ(ClassOfDevice(0x05, 0x41).category(), T::unknown);
  EXPECT_EQ(ClassOfDevice(0x05, 0x41).deviceType(), T::joystick);
  EXPECT_EQ(ClassOfDevice(0x05, -1).category(), T::unknown);
  EXPECT_EQ(ClassOfDevice(0x25, 0x10).major(), M::unknown);
}

}  // namespace
}  // namespace tellwick
