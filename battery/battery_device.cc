// Constructors and identity. Coding is completed together with the store's
// property-list coder.
#include "battery/battery_device.h"

#include <cctype>
#include <functional>
#include <random>

#include "battery/manufacturers.h"

namespace tellwick {
namespace {

std::string randomSerial() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<int> nibble(0, 15);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) text += '-';
    int value = nibble(generator);
    if (i == 12) value = 4;                    // version 4
    if (i == 16) value = 8 | (value & 3);      // RFC 4122 variant
    text += kHex[value];
  }
  return text;
}

std::string lowered(const std::string& text) {
  std::string out = text;
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

BatteryDevice::BatteryDevice(DeviceType type, std::string name)
    : type_(type), id_(std::make_shared<UUID>()), name_(std::move(name)), serial_(randomSerial()) {}

std::size_t BatteryDevice::hashValue() const { return std::hash<std::string>{}(lowered(serial_)); }

bool BatteryDevice::operator==(const BatteryDevice& other) const {
  return lowered(serial_) == lowered(other.serial_);
}

SingleBatteryDevice::SingleBatteryDevice(std::string name, std::string serial,
                                         std::uint16_t vendorId,
                                         std::optional<std::int64_t> productId,
                                         std::uint8_t batteryLevel,
                                         const std::optional<std::string>& typeName)
    : BatteryDevice(DeviceType::undefined, std::move(name)) {
  setSerial(std::move(serial));
  setManufacturer(Manufacturers::name(vendorId));
  setProductId(productId);
  setVendorId(vendorId);
  setBatteryLevel(batteryLevel);
  if (typeName) {
    if (auto type = deviceTypeFromRawValue(*typeName)) setType(*type);
  }
}

DoubleBatteryDevice::DoubleBatteryDevice(std::string name, std::string serial,
                                         std::uint16_t vendorId,
                                         std::optional<std::int64_t> productId,
                                         std::optional<std::uint8_t> firstLevel,
                                         std::optional<std::uint8_t> secondLevel,
                                         const std::optional<std::string>& typeName)
    : BatteryDevice(DeviceType::headphones, std::move(name)),
      firstLevel_(firstLevel),
      secondLevel_(secondLevel) {
  setSerial(std::move(serial));
  setManufacturer(Manufacturers::name(vendorId));
  setProductId(productId);
  if (typeName) {
    if (auto type = deviceTypeFromRawValue(*typeName)) setType(*type);
  }
}

}  // namespace tellwick

namespace tellwick {

os::PlistDictionary BatteryDevice::encode() const {
  os::PlistDictionary record;
  record.emplace_back("isCharging", isCharging_);
  record.emplace_back("type", std::string(rawValue(type_)));
  if (batteryLevel_) record.emplace_back("batteryLevel", static_cast<std::uint64_t>(*batteryLevel_));
  record.emplace_back("name", name_);
  if (productId_) record.emplace_back("productId", *productId_);
  record.emplace_back("serial", serial_);
  if (manufacturer_) record.emplace_back("manufacturer", *manufacturer_);
  if (vendorId_) record.emplace_back("vendorId", static_cast<std::uint64_t>(*vendorId_));
  return record;
}

os::PlistDictionary DoubleBatteryDevice::encode() const {
  os::PlistDictionary record = BatteryDevice::encode();
  auto level = [](std::optional<std::uint8_t> v) -> os::PlistValue {
    if (v) return static_cast<std::uint64_t>(*v);
    return os::PlistNull{};
  };
  record.emplace_back("firstLevel", level(firstLevel_));
  record.emplace_back("secondLevel", level(secondLevel_));
  return record;
}

}  // namespace tellwick
