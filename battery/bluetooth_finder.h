#ifndef TELLWICK_BATTERY_BLUETOOTH_FINDER_H_
#define TELLWICK_BATTERY_BLUETOOTH_FINDER_H_

#include <memory>
#include <string_view>
#include <vector>

#include "os/power/io_registry.h"
#include "protocol/battery_device.h"

namespace tellwick {

using BatteryDevices = std::vector<std::shared_ptr<BatteryDevice>>;

// The battery levels that HID peripherals' drivers publish in the registry.
class IBluetoothFinder {
 public:
  virtual ~IBluetoothFinder() = default;
  // The devices of the last update.
  virtual const BatteryDevices& devices() const = 0;
  // Empties devices and fills them from one scan.
  virtual void update() = 0;
  // One full scan; leaves devices alone.
  virtual BatteryDevices findDevices() = 0;
};

class BluetoothFinder : public IBluetoothFinder {
 public:
  static constexpr std::string_view keyboardIdentifier = "KBLowBattery";
  static constexpr std::string_view mouseIdentifier = "MOLowBattery";
  static constexpr std::string_view mouseIdentifierUsb = "USBConnectedMO";

  // The registry classes scanned, in order; an earlier class wins a device
  // found under two.
  static const std::vector<std::string_view>& registryClasses();

  // The registry must outlive the finder. One thread at a time.
  explicit BluetoothFinder(os::IoRegistry& registry) : registry_(registry) {}

  const BatteryDevices& devices() const override { return devices_; }
  void update() override;
  // Devices in the order first found; later equals (same serial, ignoring
  // case) are dropped.
  BatteryDevices findDevices() override;
  // The entries of one class turned into devices, in registry order,
  // without de-duplication; nothing when the class cannot be searched.
  virtual BatteryDevices devicesForClass(std::string_view className);

  // One entry's properties as a device, or null when a required property
  // (address, level, transport, vendor, product id, non-empty product name)
  // is missing or of the wrong kind. An integer level from 1 to 100 is the
  // percentage; charging follows "BatteryStatus" where the entry has one,
  // else a "USB" transport.
  static std::shared_ptr<SingleBatteryDevice> deviceFromEntry(const os::PlistDictionary& entry);
  // The kind rules, first that applies: "HIDDefaultBehavior" naming a type
  // exactly; a value "MOLowBattery" or "USBConnectedMO" (mouse); a value
  // "KBLowBattery", a text value or a key containing "keyboard" in any case
  // (keyboard); otherwise trackpad.
  static DeviceType deviceKind(const os::PlistDictionary& entry);

 private:
  os::IoRegistry& registry_;
  BatteryDevices devices_;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_BLUETOOTH_FINDER_H_
