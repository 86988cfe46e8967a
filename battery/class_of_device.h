#ifndef TELLWICK_BATTERY_CLASS_OF_DEVICE_H_
#define TELLWICK_BATTERY_CLASS_OF_DEVICE_H_

#include <cstdint>

namespace tellwick {

// Major device class of a classic Bluetooth Class of Device value, reduced to
// the classes this library tells apart; every other major code is `unknown`.
enum class MajorClass {
  unknown,
  peripheral,
  computer,
  phone,
  audioVideo,
  toy,
  health,
};

// Minor device classes (and the peripheral categories) of the Bluetooth
// Assigned Numbers. The misspelt cases keep the names the library has always
// published.
enum class BluetoothDeviceType {
  unknown,
  reserved,
  uncategorized,
  cellular,
  cordless,
  smartphone,
  wiredModemOrVoiceGateay,
  commonIsdnAccess,
  wearableHeadsetDevice,
  handsFreeDevice,
  microphone,
  loudspeaker,
  headphones,
  portableAudio,
  carAudio,
  setTopBox,
  hifiAudioDevice,
  vcr,
  videoCamera,
  camcorder,
  videoMonitor,
  videoDisplayAndLoudspeaker,
  videoConferencing,
  gamingOrToy,
  notKeyboardPointingDevice,
  keyboard,
  pointingDevice,
  comboKeyboardPointingDevice,
  gamepad,
  joystick,
  remoteControl,
  sensingDevice,
  digitizerTablet,
  cardReader,
  digitalPen,
  handheldScannerForBarCodes,
  handheldGesturalInputDevice,
  tablet,
  wearableComputer,
  robot,
  vehicle,
  dollActionFigure,
  controller,
  game,
  bloodPressure,
  thermometer,
  weighingScale,
  glucoseMeter,
  pulseOximeter,
  heartPulseRateMonitor,
  healthDataDisplay,
  stepCounter,
  bodyCompositionAnalyzer,
  medicationMonitor,
  kneeProsthesis,
  ankleProsthesis,
  genenericHealthManager,
  personalMobilityDevice,
};

// A decoded Class of Device. Decoding never fails: codes outside the known
// tables leave the fields `unknown` (or `uncategorized` for health minors).
class ClassOfDevice {
 public:
  // Decodes the 24-bit value `raw`: major code from bits 8-12, minor code
  // from bits 2-7; the format bits (0-1) and service classes (13-23) are
  // ignored. `rawValue()` keeps `raw` unchanged.
  explicit ClassOfDevice(std::int64_t raw);
  // Decodes a major and a minor code given separately; `rawValue()` is 0.
  ClassOfDevice(std::int64_t majorCode, std::int64_t minorCode);
  // Stores the three fields as given; `rawValue()` is 0.
  ClassOfDevice(MajorClass major, BluetoothDeviceType category, BluetoothDeviceType deviceType);

  std::int64_t rawValue() const { return rawValue_; }
  MajorClass major() const { return major_; }
  // Keyboard / pointing device / both / neither for peripherals; `unknown`
  // for every other major class.
  BluetoothDeviceType category() const { return category_; }
  BluetoothDeviceType deviceType() const { return deviceType_; }

  void setRawValue(std::int64_t value) { rawValue_ = value; }
  void setMajor(MajorClass value) { major_ = value; }
  void setCategory(BluetoothDeviceType value) { category_ = value; }
  void setDeviceType(BluetoothDeviceType value) { deviceType_ = value; }

 private:
  void decode(std::int64_t majorCode, std::int64_t minorCode);

  std::int64_t rawValue_ = 0;
  MajorClass major_ = MajorClass::unknown;
  BluetoothDeviceType category_ = BluetoothDeviceType::unknown;
  BluetoothDeviceType deviceType_ = BluetoothDeviceType::unknown;
};

// Minor-code tables, one per major class; each falls back to its own
// default for codes it does not list (`unknown`, or `uncategorized` for
// health).
BluetoothDeviceType computerDeviceType(std::int64_t minorCode);
BluetoothDeviceType phoneDeviceType(std::int64_t minorCode);
BluetoothDeviceType audioVideoDeviceType(std::int64_t minorCode);
// Bits 4-5 of the peripheral minor code; `unknown` outside 0x00-0x3F.
BluetoothDeviceType peripheralCategory(std::int64_t minorCode);
// Bits 0-3 of the peripheral minor code; the unassigned 0xA-0xF are `unknown`.
BluetoothDeviceType peripheralDeviceType(std::int64_t minorCode);
BluetoothDeviceType toyDeviceType(std::int64_t minorCode);
BluetoothDeviceType healthDeviceType(std::int64_t minorCode);

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_CLASS_OF_DEVICE_H_
