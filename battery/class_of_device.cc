#include "battery/class_of_device.h"

#include <array>
#include <cstddef>

namespace tellwick {
namespace {

using T = BluetoothDeviceType;

// A dense table indexed by minor code; codes past its end take `fallback`.
template <std::size_t N>
BluetoothDeviceType lookup(const std::array<T, N>& table, std::int64_t code, T fallback) {
  if (code < 0 || code >= static_cast<std::int64_t>(N)) return fallback;
  return table[static_cast<std::size_t>(code)];
}

constexpr std::array<T, 8> kComputer = {
    T::uncategorized, T::unknown, T::unknown,          T::unknown,
    T::unknown,       T::unknown, T::wearableComputer, T::tablet,
};

constexpr std::array<T, 6> kPhone = {
    T::uncategorized, T::cellular, T::cordless, T::smartphone, T::wiredModemOrVoiceGateay, T::commonIsdnAccess,
};

constexpr std::array<T, 0x13> kAudioVideo = {
    T::uncategorized,   T::wearableHeadsetDevice, T::handsFreeDevice,
    T::reserved,        T::microphone,            T::loudspeaker,
    T::headphones,      T::portableAudio,         T::carAudio,
    T::setTopBox,       T::hifiAudioDevice,       T::vcr,
    T::videoCamera,     T::camcorder,             T::videoMonitor,
    T::videoDisplayAndLoudspeaker, T::videoConferencing, T::reserved,
    T::gamingOrToy,
};

constexpr std::array<T, 4> kPeripheralCategory = {
    T::notKeyboardPointingDevice, T::keyboard, T::pointingDevice, T::comboKeyboardPointingDevice,
};

constexpr std::array<T, 10> kPeripheral = {
    T::uncategorized, T::joystick,       T::gamepad,    T::remoteControl,
    T::sensingDevice, T::digitizerTablet, T::cardReader, T::digitalPen,
    T::handheldScannerForBarCodes, T::handheldGesturalInputDevice,
};

constexpr std::array<T, 6> kToy = {
    T::unknown, T::robot, T::vehicle, T::dollActionFigure, T::controller, T::game,
};

constexpr std::array<T, 0x10> kHealth = {
    T::uncategorized,       T::bloodPressure,  T::thermometer,    T::weighingScale,
    T::glucoseMeter,        T::pulseOximeter,  T::heartPulseRateMonitor, T::healthDataDisplay,
    T::stepCounter,         T::bodyCompositionAnalyzer, T::uncategorized, T::medicationMonitor,
    T::kneeProsthesis,      T::ankleProsthesis, T::genenericHealthManager, T::personalMobilityDevice,
};

}  // namespace

BluetoothDeviceType computerDeviceType(std::int64_t minorCode) { return lookup(kComputer, minorCode, T::unknown); }
BluetoothDeviceType phoneDeviceType(std::int64_t minorCode) { return lookup(kPhone, minorCode, T::unknown); }
BluetoothDeviceType audioVideoDeviceType(std::int64_t minorCode) {
  return lookup(kAudioVideo, minorCode, T::unknown);
}
BluetoothDeviceType toyDeviceType(std::int64_t minorCode) { return lookup(kToy, minorCode, T::unknown); }
BluetoothDeviceType healthDeviceType(std::int64_t minorCode) {
  return lookup(kHealth, minorCode, T::uncategorized);
}

BluetoothDeviceType peripheralCategory(std::int64_t minorCode) {
  // Only the constructor from separate codes can pass a code wider than six
  // bits; such a code names no category at all.
  if (minorCode < 0 || minorCode > 0x3F) return T::unknown;
  return kPeripheralCategory[static_cast<std::size_t>(minorCode >> 4)];
}

BluetoothDeviceType peripheralDeviceType(std::int64_t minorCode) {
  return lookup(kPeripheral, minorCode & 0x0F, T::unknown);
}

ClassOfDevice::ClassOfDevice(std::int64_t raw) {
  decode((raw >> 8) & 0x1F, (raw >> 2) & 0x3F);
  rawValue_ = raw;
}

ClassOfDevice::ClassOfDevice(std::int64_t majorCode, std::int64_t minorCode) { decode(majorCode, minorCode); }

ClassOfDevice::ClassOfDevice(MajorClass major, BluetoothDeviceType category, BluetoothDeviceType deviceType)
    : major_(major), category_(category), deviceType_(deviceType) {}

void ClassOfDevice::decode(std::int64_t majorCode, std::int64_t minorCode) {
  rawValue_ = 0;
  major_ = MajorClass::unknown;
  category_ = T::unknown;
  deviceType_ = T::unknown;
  switch (majorCode) {
    case 0x01:
      major_ = MajorClass::computer;
      deviceType_ = computerDeviceType(minorCode);
      break;
    case 0x02:
      major_ = MajorClass::phone;
      deviceType_ = phoneDeviceType(minorCode);
      break;
    case 0x04:
      major_ = MajorClass::audioVideo;
      deviceType_ = audioVideoDeviceType(minorCode);
      break;
    case 0x05:
      major_ = MajorClass::peripheral;
      category_ = peripheralCategory(minorCode);
      deviceType_ = peripheralDeviceType(minorCode);
      break;
    case 0x08:
      major_ = MajorClass::toy;
      deviceType_ = toyDeviceType(minorCode);
      break;
    case 0x09:
      major_ = MajorClass::health;
      deviceType_ = healthDeviceType(minorCode);
      break;
    default:
      break;
  }
}

}  // namespace tellwick
