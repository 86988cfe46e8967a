#ifndef TELLWICK_BATTERY_LOW_ENERGY_DEVICE_H_
#define TELLWICK_BATTERY_LOW_ENERGY_DEVICE_H_

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "battery/device_catalogue.h"
#include "os/files/resource_bundle.h"
#include "protocol/battery_device.h"

namespace tellwick {

enum class PropertyKey {
  serialNumber,
  hardwareRevision,
  softwareRevision,
  firmware,
  bluetoothSerial
};

// "serialNumber", "hardwareRevision", "softwareRevision", "firmware",
// "bluetoothSerial".
std::string_view rawValue(PropertyKey key);
// Exact raw values only.
std::optional<PropertyKey> propertyKeyFromRawValue(std::string_view raw);

// A Bluetooth LE peripheral as the LE finder keeps it. serial is the
// peripheral's identifier and the device's identity; type stays undefined.
// Adds no coding keys to BatteryDevice's.
class LowEnergyDevice : public BatteryDevice {
 public:
  static constexpr std::array<std::string_view, 18> kLogitechKeyboards = {
      "K835", "Keys", "KEYS", "K860", "K600", "K375s", "CRAFT", "K780", "K280e",
      "K480", "K380", "K830", "K400", "K740", "K750",  "K800",  "K270", "K360"};
  static constexpr std::array<std::string_view, 23> kLogitechMice = {
      "M575", "M350", "Anywhere", "M190", "Master", "M705", "MASTER", "Vertical",
      "M590", "M545", "M171",     "ERGO", "M500",   "M720", "M187",   "M330",
      "M535", "M220", "M510",     "M280", "M235",   "M325", "M185"};

  // From a peripheral: serial is its identifier, name and model are name
  // (the caller's fallback text when the peripheral has none), lastUpdate is
  // now. catalogue, which must outlive the device, tells phones, players,
  // tablets and watches by their model identifier; null for none.
  LowEnergyDevice(std::string peripheral, std::string name, double now,
                  const DeviceCatalogue* catalogue = nullptr);

  // BatteryDevice's decoding; the own fields take their initial values
  // (no peripheral). nullptr on the same failures as SingleBatteryDevice.
  static std::shared_ptr<LowEnergyDevice> decode(const os::PlistValue& record);

  const std::optional<std::string>& peripheral() const { return peripheral_; }
  void setPeripheral(std::optional<std::string> value) { peripheral_ = std::move(value); }
  const std::optional<std::string>& model() const { return model_; }
  void setModel(std::optional<std::string> value) { model_ = std::move(value); }
  double lastUpdate() const { return lastUpdate_; }
  void setLastUpdate(double value) { lastUpdate_ = value; }
  const std::optional<std::string>& hardwareRevision() const { return hardwareRevision_; }
  void setHardwareRevision(std::optional<std::string> v) { hardwareRevision_ = std::move(v); }
  const std::optional<std::string>& serialNumber() const { return serialNumber_; }
  void setSerialNumber(std::optional<std::string> v) { serialNumber_ = std::move(v); }
  const std::optional<std::string>& softwareRevision() const { return softwareRevision_; }
  void setSoftwareRevision(std::optional<std::string> v) { softwareRevision_ = std::move(v); }
  const std::optional<std::string>& firmwareRevision() const { return firmwareRevision_; }
  void setFirmwareRevision(std::optional<std::string> v) { firmwareRevision_ = std::move(v); }
  bool isMouse() const { return isMouse_; }
  void setIsMouse(bool value) { isMouse_ = value; }
  bool isKeyboard() const { return isKeyboard_; }
  void setIsKeyboard(bool value) { isKeyboard_ = value; }
  const std::optional<std::string>& bluetoothSerial() const { return bluetoothSerial_; }
  void setBluetoothSerial(std::optional<std::string> v) { bluetoothSerial_ = std::move(v); }
  bool isDiscovered() const { return isDiscovered_; }
  void setIsDiscovered(bool value) { isDiscovered_ = value; }
  bool isConnected() const { return isConnected_; }
  void setIsConnected(bool value) { isConnected_ = value; }

  // The present revisions and serials; absent values have no entry.
  std::map<PropertyKey, std::string> properties() const;

  // The localized kind: "POINTING_DEVICE", "KEYBOARD", the catalogue's
  // "TABLET", "APPLE_WATCH", "IPHONE" or "IPOD" for the model identifier
  // (internalName, else model), else "UNKNOWN".
  std::string kindDescription(const os::ResourceBundle& bundle) const;

  // The catalogue's symbol for internalName, else the Logitech word rule on
  // name, else the battery device symbol.
  std::string symbolImage(SymbolSet set = platformSymbolSet()) const override;

 private:
  LowEnergyDevice() = default;
  const CatalogueEntry* find(const std::optional<std::string>& identifier) const;

  const DeviceCatalogue* catalogue_ = nullptr;

  std::optional<std::string> peripheral_;
  std::optional<std::string> model_;
  double lastUpdate_ = 0;
  std::optional<std::string> hardwareRevision_;
  std::optional<std::string> serialNumber_;
  std::optional<std::string> softwareRevision_;
  std::optional<std::string> firmwareRevision_;
  bool isMouse_ = false;
  bool isKeyboard_ = false;
  std::optional<std::string> bluetoothSerial_;
  bool isDiscovered_ = false;
  bool isConnected_ = false;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_LOW_ENERGY_DEVICE_H_
