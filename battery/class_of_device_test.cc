#include "battery/class_of_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tellwick {
namespace {

using T = BluetoothDeviceType;

// A Class of Device value as a device announces it: format bits 0-1,
// minor code 2-7, major code 8-12, service classes 13-23.
std::int64_t raw(std::int64_t major, std::int64_t minor, std::int64_t services = 0, std::int64_t format = 0) {
  return (services << 13) | (major << 8) | (minor << 2) | format;
}

struct Row {
  std::int64_t major;
  std::int64_t minor;
  MajorClass expectedMajor;
  T expectedCategory;
  T expectedType;
};

void expectDecodes(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "major 0x" << std::hex << r.major << " minor 0x" << r.minor);
    const ClassOfDevice fromRaw(raw(r.major, r.minor));
    EXPECT_EQ(fromRaw.major(), r.expectedMajor);
    EXPECT_EQ(fromRaw.category(), r.expectedCategory);
    EXPECT_EQ(fromRaw.deviceType(), r.expectedType);
    const ClassOfDevice fromCodes(r.major, r.minor);
    EXPECT_EQ(fromCodes.major(), r.expectedMajor);
    EXPECT_EQ(fromCodes.category(), r.expectedCategory);
    EXPECT_EQ(fromCodes.deviceType(), r.expectedType);
    EXPECT_EQ(fromCodes.rawValue(), 0);
  }
}

TEST(ClassOfDeviceTest, ComputerTableAndDefault) {
  expectDecodes({
      {0x01, 0x00, MajorClass::computer, T::unknown, T::uncategorized},
      {0x01, 0x03, MajorClass::computer, T::unknown, T::unknown},
      {0x01, 0x06, MajorClass::computer, T::unknown, T::wearableComputer},
      {0x01, 0x07, MajorClass::computer, T::unknown, T::tablet},
      {0x01, 0x08, MajorClass::computer, T::unknown, T::unknown},
  });
}

TEST(ClassOfDeviceTest, PhoneTableAndDefault) {
  expectDecodes({
      {0x02, 0x00, MajorClass::phone, T::unknown, T::uncategorized},
      {0x02, 0x03, MajorClass::phone, T::unknown, T::smartphone},
      {0x02, 0x05, MajorClass::phone, T::unknown, T::commonIsdnAccess},
      {0x02, 0x06, MajorClass::phone, T::unknown, T::unknown},
  });
}

TEST(ClassOfDeviceTest, AudioVideoTableAndDefault) {
  expectDecodes({
      {0x04, 0x00, MajorClass::audioVideo, T::unknown, T::uncategorized},
      {0x04, 0x01, MajorClass::audioVideo, T::unknown, T::wearableHeadsetDevice},
      {0x04, 0x03, MajorClass::audioVideo, T::unknown, T::reserved},
      {0x04, 0x06, MajorClass::audioVideo, T::unknown, T::headphones},
      {0x04, 0x0A, MajorClass::audioVideo, T::unknown, T::hifiAudioDevice},
      {0x04, 0x10, MajorClass::audioVideo, T::unknown, T::videoConferencing},
      {0x04, 0x11, MajorClass::audioVideo, T::unknown, T::reserved},
      {0x04, 0x12, MajorClass::audioVideo, T::unknown, T::gamingOrToy},
      {0x04, 0x13, MajorClass::audioVideo, T::unknown, T::unknown},
      {0x04, 0x3F, MajorClass::audioVideo, T::unknown, T::unknown},
  });
}

TEST(ClassOfDeviceTest, PeripheralSplitsCategoryAndType) {
  expectDecodes({
      {0x05, 0x00, MajorClass::peripheral, T::notKeyboardPointingDevice, T::uncategorized},
      {0x05, 0x10, MajorClass::peripheral, T::keyboard, T::uncategorized},
      {0x05, 0x20, MajorClass::peripheral, T::pointingDevice, T::uncategorized},
      {0x05, 0x30, MajorClass::peripheral, T::comboKeyboardPointingDevice, T::uncategorized},
      {0x05, 0x23, MajorClass::peripheral, T::pointingDevice, T::remoteControl},
      {0x05, 0x01, MajorClass::peripheral, T::notKeyboardPointingDevice, T::joystick},
      {0x05, 0x12, MajorClass::peripheral, T::keyboard, T::gamepad},
      {0x05, 0x38, MajorClass::peripheral, T::comboKeyboardPointingDevice, T::handheldScannerForBarCodes},
      {0x05, 0x29, MajorClass::peripheral, T::pointingDevice, T::handheldGesturalInputDevice},
      {0x05, 0x0A, MajorClass::peripheral, T::notKeyboardPointingDevice, T::unknown},
      {0x05, 0x3F, MajorClass::peripheral, T::comboKeyboardPointingDevice, T::unknown},
  });
}

TEST(ClassOfDeviceTest, PeripheralCodeWiderThanSixBitsHasNoCategory) {
  const ClassOfDevice wide(0x05, 0x41);
  EXPECT_EQ(wide.major(), MajorClass::peripheral);
  EXPECT_EQ(wide.category(), T::unknown);
  EXPECT_EQ(wide.deviceType(), T::joystick);
  EXPECT_EQ(ClassOfDevice(0x05, -1).category(), T::unknown);
}

TEST(ClassOfDeviceTest, ToyTableAndDefault) {
  expectDecodes({
      {0x08, 0x00, MajorClass::toy, T::unknown, T::unknown},
      {0x08, 0x01, MajorClass::toy, T::unknown, T::robot},
      {0x08, 0x05, MajorClass::toy, T::unknown, T::game},
      {0x08, 0x06, MajorClass::toy, T::unknown, T::unknown},
  });
}

TEST(ClassOfDeviceTest, HealthTableDefaultsToUncategorized) {
  expectDecodes({
      {0x09, 0x00, MajorClass::health, T::unknown, T::uncategorized},
      {0x09, 0x01, MajorClass::health, T::unknown, T::bloodPressure},
      {0x09, 0x09, MajorClass::health, T::unknown, T::bodyCompositionAnalyzer},
      {0x09, 0x0A, MajorClass::health, T::unknown, T::uncategorized},
      {0x09, 0x0B, MajorClass::health, T::unknown, T::medicationMonitor},
      {0x09, 0x0E, MajorClass::health, T::unknown, T::genenericHealthManager},
      {0x09, 0x0F, MajorClass::health, T::unknown, T::personalMobilityDevice},
      {0x09, 0x10, MajorClass::health, T::unknown, T::uncategorized},
      {0x09, 0x3F, MajorClass::health, T::unknown, T::uncategorized},
  });
  EXPECT_EQ(ClassOfDevice(0x09, -3).deviceType(), T::uncategorized);
}

TEST(ClassOfDeviceTest, OtherMajorCodesDecodeToUnknown) {
  for (std::int64_t major : {0x00, 0x03, 0x06, 0x07, 0x0A, 0x1F}) {
    expectDecodes({
        {major, 0x00, MajorClass::unknown, T::unknown, T::unknown},
        {major, 0x03, MajorClass::unknown, T::unknown, T::unknown},
        {major, 0x23, MajorClass::unknown, T::unknown, T::unknown},
    });
  }
  // A major code wider than five bits can only come in separately.
  EXPECT_EQ(ClassOfDevice(0x25, 0x10).major(), MajorClass::unknown);
}

TEST(ClassOfDeviceTest, RawValueIsKeptAndOnlyBitsTwoToTwelveMatter) {
  const std::int64_t keyboard = raw(0x05, 0x10);
  const ClassOfDevice plain(keyboard);
  EXPECT_EQ(plain.rawValue(), keyboard);
  EXPECT_EQ(plain.major(), MajorClass::peripheral);
  EXPECT_EQ(plain.category(), T::keyboard);
  EXPECT_EQ(plain.deviceType(), T::uncategorized);

  for (std::int64_t services : {0x001, 0x200, 0x7FF}) {
    for (std::int64_t format : {0, 1, 3}) {
      const std::int64_t value = raw(0x02, 0x03, services, format);
      const ClassOfDevice phone(value);
      EXPECT_EQ(phone.rawValue(), value);
      EXPECT_EQ(phone.major(), MajorClass::phone);
      EXPECT_EQ(phone.category(), T::unknown);
      EXPECT_EQ(phone.deviceType(), T::smartphone);
    }
  }
  // Bits above the 24-bit field and negative values decode without fault.
  const ClassOfDevice wide((std::int64_t{1} << 40) | raw(0x04, 0x06));
  EXPECT_EQ(wide.deviceType(), T::headphones);
  const ClassOfDevice negative(-1);
  EXPECT_EQ(negative.rawValue(), -1);
  EXPECT_EQ(negative.major(), MajorClass::unknown);
}

TEST(ClassOfDeviceTest, FieldConstructorAndSettersStoreUnchanged) {
  ClassOfDevice device(MajorClass::toy, T::keyboard, T::headphones);
  EXPECT_EQ(device.rawValue(), 0);
  EXPECT_EQ(device.major(), MajorClass::toy);
  EXPECT_EQ(device.category(), T::keyboard);
  EXPECT_EQ(device.deviceType(), T::headphones);

  device.setRawValue(0x240404);
  device.setMajor(MajorClass::health);
  device.setCategory(T::unknown);
  device.setDeviceType(T::thermometer);
  EXPECT_EQ(device.rawValue(), 0x240404);
  EXPECT_EQ(device.major(), MajorClass::health);
  EXPECT_EQ(device.category(), T::unknown);
  EXPECT_EQ(device.deviceType(), T::thermometer);
}

}  // namespace
}  // namespace tellwick
