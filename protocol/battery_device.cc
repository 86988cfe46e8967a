#include "protocol/battery_device.h"

#include <cctype>
#include <cmath>
#include <functional>
#include <random>
#include <utility>

namespace tellwick {
namespace {

std::string randomSerial() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<int> nibble(0, 15);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(36);
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) text += '-';
    int value = nibble(generator);
    if (i == 12) value = 4;                // version 4
    if (i == 16) value = 8 | (value & 3);  // RFC 4122 variant
    text += kHex[value];
  }
  return text;
}

// Serials are Bluetooth addresses and UUID texts, so ASCII folding is enough.
std::string lowered(const std::string& text) {
  std::string out = text;
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::optional<DeviceType> typeFromName(const std::optional<std::string>& typeName) {
  if (!typeName) return std::nullopt;
  return deviceTypeFromRawValue(*typeName);
}

bool isAbsent(const os::PlistValue* value) { return value == nullptr || value->is<os::PlistNull>(); }

// Integers reach the tree signed or unsigned depending on who wrote them;
// either is accepted when it fits the field.
template <typename T>
std::optional<T> integerIn(const os::PlistValue& value) {
  if (const auto* s = value.get<std::int64_t>()) {
    if (std::in_range<T>(*s)) return static_cast<T>(*s);
  } else if (const auto* u = value.get<std::uint64_t>()) {
    if (std::in_range<T>(*u)) return static_cast<T>(*u);
  }
  return std::nullopt;
}

// Optional readers: true with *out set (nullopt for a missing key or
// PlistNull); false when the value is of the wrong kind or out of range.
template <typename T>
bool readOptionalInteger(const os::PlistDictionary& record, std::string_view key,
                         std::optional<T>* out) {
  const auto* value = findKey(record, key);
  if (isAbsent(value)) {
    out->reset();
    return true;
  }
  *out = integerIn<T>(*value);
  return out->has_value();
}

bool readOptionalString(const os::PlistDictionary& record, std::string_view key,
                        std::optional<std::string>* out) {
  const auto* value = findKey(record, key);
  if (isAbsent(value)) {
    out->reset();
    return true;
  }
  const auto* text = value->get<std::string>();
  if (text == nullptr) return false;
  *out = *text;
  return true;
}

const std::string* requiredString(const os::PlistDictionary& record, std::string_view key) {
  const auto* value = findKey(record, key);
  return value == nullptr ? nullptr : value->get<std::string>();
}

os::PlistValue levelOrNull(std::optional<std::uint8_t> level) {
  if (level) return static_cast<std::uint64_t>(*level);
  return os::PlistNull{};
}

}  // namespace

BatteryDevice::BatteryDevice(DeviceType type, std::string name)
    : type_(type), id_(std::make_shared<UUID>()), name_(std::move(name)), serial_(randomSerial()) {}

std::size_t BatteryDevice::hashValue() const { return std::hash<std::string>{}(lowered(serial_)); }

bool BatteryDevice::operator==(const BatteryDevice& other) const {
  return lowered(serial_) == lowered(other.serial_);
}

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

bool BatteryDevice::decodeBase(const os::PlistDictionary& record) {
  const auto* charging = findKey(record, "isCharging");
  if (charging == nullptr || !charging->is<bool>()) return false;
  const auto* typeText = requiredString(record, "type");
  if (typeText == nullptr) return false;
  auto type = deviceTypeFromRawValue(*typeText);
  if (!type) return false;
  std::optional<std::uint8_t> level;
  if (!readOptionalInteger(record, "batteryLevel", &level)) return false;
  const auto* name = requiredString(record, "name");
  if (name == nullptr) return false;
  std::optional<std::int64_t> productId;
  if (!readOptionalInteger(record, "productId", &productId)) return false;
  const auto* serial = requiredString(record, "serial");
  if (serial == nullptr) return false;
  std::optional<std::string> manufacturer;
  if (!readOptionalString(record, "manufacturer", &manufacturer)) return false;
  std::optional<std::uint16_t> vendorId;
  if (!readOptionalInteger(record, "vendorId", &vendorId)) return false;

  isCharging_ = *charging->get<bool>();
  internalName_.reset();
  type_ = *type;
  batteryLevel_ = level;
  id_ = std::make_shared<UUID>();
  name_ = *name;
  productId_ = productId;
  serial_ = *serial;
  manufacturer_ = std::move(manufacturer);
  vendorId_ = vendorId;
  return true;
}

SingleBatteryDevice::SingleBatteryDevice(DeviceType type, std::string name, double level)
    : BatteryDevice(type, std::move(name)) {
  // The fraction test and the scaling both happen in single precision: 0.29
  // must give 29, which double arithmetic would truncate to 28.
  const float fraction = static_cast<float>(level);
  if (fraction > 0.0f && fraction <= 1.0f) {
    setBatteryLevel(static_cast<std::uint8_t>(fraction * 100.0f));
  } else if (level >= 1.0 && level < 101.0) {
    // The range check comes first so that NaN and huge values never reach
    // the integer conversion.
    setBatteryLevel(static_cast<std::uint8_t>(std::trunc(level)));
  }
}

SingleBatteryDevice::SingleBatteryDevice(std::string name, std::string serial,
                                         std::uint16_t vendorId, std::string manufacturer,
                                         std::optional<std::int64_t> productId,
                                         std::uint8_t batteryLevel,
                                         const std::optional<std::string>& typeName)
    : BatteryDevice(DeviceType::undefined, std::move(name)) {
  setSerial(std::move(serial));
  setManufacturer(std::move(manufacturer));
  setProductId(productId);
  setVendorId(vendorId);
  setBatteryLevel(batteryLevel);
  if (auto type = typeFromName(typeName)) setType(*type);
}

std::shared_ptr<SingleBatteryDevice> SingleBatteryDevice::decode(const os::PlistValue& record) {
  const auto* dictionary = record.get<os::PlistDictionary>();
  if (dictionary == nullptr) return nullptr;
  std::shared_ptr<SingleBatteryDevice> device(new SingleBatteryDevice());
  if (!device->decodeBase(*dictionary)) return nullptr;
  return device;
}

DoubleBatteryDevice::DoubleBatteryDevice(std::string name, std::string serial,
                                         std::string manufacturer,
                                         std::optional<std::int64_t> productId,
                                         std::optional<std::uint8_t> firstLevel,
                                         std::optional<std::uint8_t> secondLevel,
                                         const std::optional<std::string>& typeName)
    : BatteryDevice(DeviceType::headphones, std::move(name)),
      firstLevel_(firstLevel),
      secondLevel_(secondLevel) {
  setSerial(std::move(serial));
  setManufacturer(std::move(manufacturer));
  setProductId(productId);
  if (auto type = typeFromName(typeName)) setType(*type);
}

os::PlistDictionary DoubleBatteryDevice::encode() const {
  os::PlistDictionary record = BatteryDevice::encode();
  record.emplace_back("firstLevel", levelOrNull(firstLevel_));
  record.emplace_back("secondLevel", levelOrNull(secondLevel_));
  return record;
}

std::shared_ptr<DoubleBatteryDevice> DoubleBatteryDevice::decode(const os::PlistValue& record) {
  const auto* dictionary = record.get<os::PlistDictionary>();
  if (dictionary == nullptr) return nullptr;
  std::shared_ptr<DoubleBatteryDevice> device(new DoubleBatteryDevice());
  if (!device->decodeBase(*dictionary)) return nullptr;
  if (!readOptionalInteger(*dictionary, "firstLevel", &device->firstLevel_) ||
      !readOptionalInteger(*dictionary, "secondLevel", &device->secondLevel_)) {
    return nullptr;
  }
  return device;
}

}  // namespace tellwick
