#include "battery/low_energy_device.h"

#include <algorithm>

#include "protocol/device_type.h"

namespace tellwick {
namespace {

constexpr std::array<std::string_view, 5> kPropertyKeys = {
    "serialNumber", "hardwareRevision", "softwareRevision", "firmware", "bluetoothSerial"};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

}  // namespace

std::string_view rawValue(PropertyKey key) { return kPropertyKeys[static_cast<std::size_t>(key)]; }

std::optional<PropertyKey> propertyKeyFromRawValue(std::string_view raw) {
  for (std::size_t i = 0; i < kPropertyKeys.size(); ++i) {
    if (kPropertyKeys[i] == raw) return static_cast<PropertyKey>(i);
  }
  return std::nullopt;
}

LowEnergyDevice::LowEnergyDevice(std::string peripheral, std::string name, double now,
                                 const DeviceCatalogue* catalogue)
    : BatteryDevice(DeviceType::undefined, std::string()), catalogue_(catalogue), lastUpdate_(now) {
  peripheral_ = peripheral;
  setSerial(std::move(peripheral));
  model_ = name;
  setName(std::move(name));
}

std::shared_ptr<LowEnergyDevice> LowEnergyDevice::decode(const os::PlistValue& record) {
  const auto* dictionary = record.get<os::PlistDictionary>();
  if (dictionary == nullptr) return nullptr;
  std::shared_ptr<LowEnergyDevice> device(new LowEnergyDevice());
  if (!device->decodeBase(*dictionary)) return nullptr;
  return device;
}

std::map<PropertyKey, std::string> LowEnergyDevice::properties() const {
  std::map<PropertyKey, std::string> out;
  if (serialNumber_) out[PropertyKey::serialNumber] = *serialNumber_;
  if (hardwareRevision_) out[PropertyKey::hardwareRevision] = *hardwareRevision_;
  if (softwareRevision_) out[PropertyKey::softwareRevision] = *softwareRevision_;
  if (firmwareRevision_) out[PropertyKey::firmware] = *firmwareRevision_;
  if (bluetoothSerial_) out[PropertyKey::bluetoothSerial] = *bluetoothSerial_;
  return out;
}

const CatalogueEntry* LowEnergyDevice::find(const std::optional<std::string>& identifier) const {
  return catalogue_ && identifier ? catalogue_->find(*identifier) : nullptr;
}

std::string LowEnergyDevice::kindDescription(const os::ResourceBundle& bundle) const {
  std::string_view key = "UNKNOWN";
  if (isMouse_) {
    key = "POINTING_DEVICE";
  } else if (isKeyboard_) {
    key = "KEYBOARD";
  } else if (const auto* entry = internalName() ? find(internalName()) : find(model_)) {
    // A model number the catalogue knows leaves its identifier in
    // internalName and the entry's short name, no identifier, in model.
    switch (entry->kind) {
      case CatalogueKind::tablet:
        key = "TABLET";
        break;
      case CatalogueKind::watch:
        key = "APPLE_WATCH";
        break;
      case CatalogueKind::phone:
        key = "IPHONE";
        break;
      case CatalogueKind::player:
        key = "IPOD";
        break;
    }
  }
  return os::localizedString(bundle, kBatteryStringTable, key);
}

std::string LowEnergyDevice::symbolImage(SymbolSet set) const {
  if (const auto* entry = find(internalName())) {
    switch (entry->kind) {
      case CatalogueKind::tablet:
        return "ipad";
      case CatalogueKind::watch:
        return "applewatch";
      case CatalogueKind::phone:
        return "iphone";
      case CatalogueKind::player:
        return "ipod";
    }
  }
  if (manufacturer() && manufacturer()->find("Logitech") != std::string::npos) {
    std::string_view rest = name();
    while (true) {
      auto blank = rest.find(' ');
      std::string_view word = rest.substr(0, blank);
      if (contains(kLogitechMice, word)) return "cursorarrow";
      if (contains(kLogitechKeyboards, word)) return "keyboard";
      if (blank == std::string_view::npos) break;
      rest.remove_prefix(blank + 1);
    }
  }
  return BatteryDevice::symbolImage(set);
}

}  // namespace tellwick
