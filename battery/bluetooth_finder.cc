#include "battery/bluetooth_finder.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "battery/manufacturers.h"
#include "battery/registry_values.h"

namespace tellwick {
namespace {

using registry_values::floating;
using registry_values::integer;
using registry_values::text;
using registry_values::wholeInteger;

std::string lowerCased(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool someValueIs(const os::PlistDictionary& entry, std::string_view wanted) {
  return std::any_of(entry.begin(), entry.end(), [&](const auto& item) {
    const auto* s = item.second.template get<std::string>();
    return s && *s == wanted;
  });
}

}  // namespace

const std::vector<std::string_view>& BluetoothFinder::registryClasses() {
  static const auto* const kClasses =
      new std::vector<std::string_view>{"AppleDeviceManagementHIDEventService",
                                        "IOAppleBluetoothHIDDriver",
                                        "AppleBluetoothHIDKeyboard",
                                        "AppleHSBluetoothDevice",
                                        "BNBTrackpadDevice",
                                        "BNBMouseDevice"};
  return *kClasses;
}

void BluetoothFinder::update() {
  devices_.clear();
  devices_ = findDevices();
}

BatteryDevices BluetoothFinder::findDevices() {
  BatteryDevices found;
  std::unordered_set<std::string> serials;
  for (auto className : registryClasses()) {
    for (auto& device : devicesForClass(className)) {
      if (serials.insert(lowerCased(device->serial())).second) found.push_back(std::move(device));
    }
  }
  return found;
}

BatteryDevices BluetoothFinder::devicesForClass(std::string_view className) {
  BatteryDevices devices;
  auto services = registry_.matchingServices(className);
  if (!services.ok()) return devices;
  for (auto service : *services) {
    const auto properties = registry_.properties(service);
    if (!properties) continue;
    if (auto device = deviceFromEntry(*properties)) devices.push_back(std::move(device));
  }
  return devices;
}

DeviceType BluetoothFinder::deviceKind(const os::PlistDictionary& entry) {
  if (const auto behavior = text(os::findKey(entry, "HIDDefaultBehavior"))) {
    if (const auto type = deviceTypeFromRawValue(*behavior)) return *type;
  }
  if (someValueIs(entry, mouseIdentifier)) return DeviceType::mouse;
  if (someValueIs(entry, mouseIdentifierUsb)) return DeviceType::mouse;
  if (someValueIs(entry, keyboardIdentifier)) return DeviceType::keyboard;
  for (const auto& [key, value] : entry) {
    const auto* s = value.get<std::string>();
    if (s && lowerCased(*s).find("keyboard") != std::string::npos) return DeviceType::keyboard;
  }
  for (const auto& [key, value] : entry) {
    if (lowerCased(key).find("keyboard") != std::string::npos) return DeviceType::keyboard;
  }
  return DeviceType::trackpad;
}

std::shared_ptr<SingleBatteryDevice> BluetoothFinder::deviceFromEntry(
    const os::PlistDictionary& entry) {
  const auto address = text(os::findKey(entry, "DeviceAddress"));
  const os::PlistValue* percent = os::findKey(entry, "BatteryPercent");
  const auto level = floating(percent);
  const auto transport = text(os::findKey(entry, "Transport"));
  const auto vendor = integer(os::findKey(entry, "VendorID"));
  const auto productId = wholeInteger(os::findKey(entry, "ProductID"));
  const auto product = text(os::findKey(entry, "Product"));
  if (!address || !level || !transport || !vendor || !productId || !product || product->empty()) {
    return nullptr;
  }
  auto device = std::make_shared<SingleBatteryDevice>(deviceKind(entry), *product, *level);
  // A whole number is a percentage as it stands: the model's level rule
  // reads the integer 1 as a full battery.
  if (const auto whole = wholeInteger(percent); whole && *whole >= 1 && *whole <= 100) {
    device->setBatteryLevel(static_cast<std::uint8_t>(*whole));
  }
  device->setProductId(*productId);
  // The battery's own status where it has one: a receiver's mouse is on USB
  // without charging, a Bluetooth device on its cable charges.
  const auto status = text(os::findKey(entry, "BatteryStatus"));
  device->setIsCharging(status ? *status == "Charging" : *transport == "USB");
  device->setSerial(*address);
  if (*vendor >= 0 && *vendor <= 0xFFFF) {
    device->setManufacturer(Manufacturers::known(static_cast<std::uint16_t>(*vendor)));
  }
  return device;
}

}  // namespace tellwick
