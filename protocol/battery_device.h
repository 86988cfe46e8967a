#ifndef TELLWICK_PROTOCOL_BATTERY_DEVICE_H_
#define TELLWICK_PROTOCOL_BATTERY_DEVICE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/store/property_list.h"
#include "protocol/device_symbols.h"
#include "protocol/device_type.h"
#include "protocol/uuid.h"

namespace tellwick {

// A battery-powered peripheral. Reference semantics: finders keep devices in
// lists of shared pointers and may update them in place. Equality and hash
// follow the lower-cased serial alone.
class BatteryDevice {
 public:
  BatteryDevice(DeviceType type, std::string name);
  virtual ~BatteryDevice() = default;

  bool isCharging() const { return isCharging_; }
  void setIsCharging(bool value) { isCharging_ = value; }
  const std::optional<std::string>& internalName() const { return internalName_; }
  void setInternalName(std::optional<std::string> value) { internalName_ = std::move(value); }
  DeviceType type() const { return type_; }
  void setType(DeviceType value) { type_ = value; }
  std::optional<std::uint8_t> batteryLevel() const { return batteryLevel_; }
  void setBatteryLevel(std::optional<std::uint8_t> value) { batteryLevel_ = value; }
  const UUID& id() const { return *id_; }
  const std::string& name() const { return name_; }
  void setName(std::string value) { name_ = std::move(value); }
  std::optional<std::int64_t> productId() const { return productId_; }
  void setProductId(std::optional<std::int64_t> value) { productId_ = value; }
  std::optional<std::uint16_t> vendorId() const { return vendorId_; }
  void setVendorId(std::optional<std::uint16_t> value) { vendorId_ = value; }
  const std::string& serial() const { return serial_; }
  void setSerial(std::string value) { serial_ = std::move(value); }
  const std::optional<std::string>& manufacturer() const { return manufacturer_; }
  void setManufacturer(std::optional<std::string> value) { manufacturer_ = std::move(value); }

  // A system symbol by type, then by lower-cased name ("keyboard",
  // "airpodspro", "dot.radiowaves.right", ...); never empty. Devices that
  // know more of themselves override it. Any thread.
  virtual std::string symbolImage(SymbolSet set = platformSymbolSet()) const;

  // The keyed record: isCharging, type, batteryLevel, name, productId,
  // serial, manufacturer, vendorId; absent values left out.
  virtual os::PlistDictionary encode() const;
  std::size_t hashValue() const;
  bool operator==(const BatteryDevice& other) const;

 protected:
  BatteryDevice() = default;
  // Reads the base keys into this object; false, leaving it unchanged, on a
  // missing required key or a value of the wrong kind or range.
  bool decodeBase(const os::PlistDictionary& record);

 private:
  bool isCharging_ = false;
  std::optional<std::string> internalName_;
  DeviceType type_ = DeviceType::undefined;
  std::optional<std::uint8_t> batteryLevel_;
  std::shared_ptr<const UUID> id_;
  std::string name_;
  std::optional<std::int64_t> productId_;
  std::optional<std::uint16_t> vendorId_;
  std::string serial_;
  std::optional<std::string> manufacturer_;
};

class SingleBatteryDevice : public BatteryDevice {
 public:
  SingleBatteryDevice(DeviceType type, std::string name) : BatteryDevice(type, std::move(name)) {}
  // From a platform number (integer or fraction): a value whose single
  // precision form is in (0, 1] is a fraction (0.555 gives 55, 1 gives 100);
  // otherwise one whose integer part is 1...100 is a percentage; anything
  // else (0, negative, above 100, NaN) leaves the level absent.
  SingleBatteryDevice(DeviceType type, std::string name, double level);
  // The profiler finder's constructor; manufacturer is the already resolved
  // name (Manufacturers::name), type from typeName when it is exactly a raw
  // value, else undefined.
  SingleBatteryDevice(std::string name, std::string serial, std::uint16_t vendorId,
                      std::string manufacturer, std::optional<std::int64_t> productId,
                      std::uint8_t batteryLevel, const std::optional<std::string>& typeName);

  // Strict: nullptr when record is not a dictionary, a required key
  // (isCharging, type, name, serial) is missing or of the wrong kind, type is
  // not exactly a raw value, or an optional integer is out of its range.
  // Optional keys that are missing or PlistNull give absent values; integers
  // are accepted as int64 or uint64. The new device has a fresh id and no
  // internalName.
  static std::shared_ptr<SingleBatteryDevice> decode(const os::PlistValue& record);

 private:
  SingleBatteryDevice() = default;
};

// Two cells (earbuds): firstLevel is the left unit, secondLevel the right.
class DoubleBatteryDevice : public BatteryDevice {
 public:
  // As SingleBatteryDevice's profiler constructor, without a vendorId: its
  // key stays out of the coded form.
  DoubleBatteryDevice(std::string name, std::string serial, std::string manufacturer,
                      std::optional<std::int64_t> productId, std::optional<std::uint8_t> firstLevel,
                      std::optional<std::uint8_t> secondLevel,
                      const std::optional<std::string>& typeName);

  std::optional<std::uint8_t> firstLevel() const { return firstLevel_; }
  void setFirstLevel(std::optional<std::uint8_t> value) { firstLevel_ = value; }
  std::optional<std::uint8_t> secondLevel() const { return secondLevel_; }
  void setSecondLevel(std::optional<std::uint8_t> value) { secondLevel_ = value; }

  // Symbols for the left and right unit.
  std::string leftSymbolImage(SymbolSet set = platformSymbolSet()) const;
  std::string rightSymbolImage(SymbolSet set = platformSymbolSet()) const;

  // The base keys, then firstLevel and secondLevel, PlistNull when absent.
  os::PlistDictionary encode() const override;
  // As SingleBatteryDevice::decode, then firstLevel and secondLevel, each
  // optional like batteryLevel.
  static std::shared_ptr<DoubleBatteryDevice> decode(const os::PlistValue& record);

 private:
  DoubleBatteryDevice() = default;
  std::optional<std::uint8_t> firstLevel_;
  std::optional<std::uint8_t> secondLevel_;
};

using SingleBatteryDevices = std::vector<std::shared_ptr<SingleBatteryDevice>>;
using DoubleBatteryDevices = std::vector<std::shared_ptr<DoubleBatteryDevice>>;

}  // namespace tellwick

// Devices hash by their lower-cased serial, consistent with operator==.
template <>
struct std::hash<tellwick::BatteryDevice> {
  std::size_t operator()(const tellwick::BatteryDevice& device) const noexcept {
    return device.hashValue();
  }
};

#endif  // TELLWICK_PROTOCOL_BATTERY_DEVICE_H_
