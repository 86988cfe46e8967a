#include "battery/low_energy_finder.h"

#include <algorithm>

#include "battery/manufacturers.h"
#include "os/utf8.h"
#include "protocol/device_type.h"
#include "protocol/uuid.h"

namespace tellwick {
namespace {

constexpr double kStaleAfterSeconds = 5.0;
constexpr double kValueNotificationInterval = 1.0;

const std::string& batteryService() { return UUID::batteryService().string(); }
const std::string& informationService() { return UUID::deviceInformationService().string(); }

std::optional<std::string> utf8Text(const std::vector<std::uint8_t>& value) {
  std::string text(value.begin(), value.end());
  if (!isValidUtf8(text)) return std::nullopt;
  return text;
}

}  // namespace

LowEnergyFinder::LowEnergyFinder(os::BluetoothCentral& central, os::Clock& clock,
                                 LowEnergyPersistency& persistency,
                                 const DeviceCatalogue& catalogue, const os::ResourceBundle& bundle,
                                 IIOKitController* ioKitController)
    : central_(central),
      clock_(clock),
      persistency_(persistency),
      catalogue_(catalogue),
      bundle_(bundle),
      ioKitController_(ioKitController),
      lastUpdate_(clock.now()) {
  central_.setDelegate(this);
}

LowEnergyFinder::~LowEnergyFinder() { central_.setDelegate(nullptr); }

bool LowEnergyFinder::isPoweredOn() const {
  return central_.state() == os::CentralState::poweredOn;
}

void LowEnergyFinder::refresh() {
  retrieveConnectedDevices();
  for (const auto& device : devices_) {
    const auto& peripheral = device->peripheral();
    if (!peripheral || central_.peripheralState(*peripheral) != os::PeripheralState::connected) {
      continue;
    }
    auto services = central_.services(*peripheral);
    if (!services) continue;
    for (const auto& service : *services) {
      if (service == batteryService()) {
        central_.discoverCharacteristics(*peripheral, service);
      } else if (service == informationService() && !device->manufacturer() && !device->model()) {
        central_.discoverCharacteristics(*peripheral, service);
      }
    }
  }
  removeStaleDevices();
}

void LowEnergyFinder::retrieveConnectedDevices() {
  auto peripherals =
      central_.retrieveConnectedPeripherals({batteryService(), informationService()});
  for (const auto& peripheral : peripherals) {
    if (!isPoweredOn()) return;
    if (deviceOf(peripheral) != nullptr) continue;
    // Known to lack the battery service: connecting it again on every
    // refresh would only find that out again (and on some stacks take the
    // connection from whoever holds it).
    if (persistency_.isExcluded(peripheral)) continue;
    auto name = central_.name(peripheral);
    append(std::make_shared<LowEnergyDevice>(peripheral, name ? *name : unknownName(),
                                             clock_.now(), &catalogue_));
    if (!isConnecting(peripheral) &&
        central_.peripheralState(peripheral) == os::PeripheralState::disconnected) {
      connecting_.push_back(peripheral);
      central_.connect(peripheral);
    }
  }
}

void LowEnergyFinder::reset() {
  const LowEnergyDevices snapshot = devices_;
  for (const auto& device : snapshot) {
    if (!device->peripheral()) continue;
    central_.cancelConnection(*device->peripheral());
    removeDevicesOf(*device->peripheral());
    notifyDevices();
  }
  connecting_.clear();
  failed_.clear();
  devices_.clear();
  index_.clear();
}

void LowEnergyFinder::connectPeripheral(const std::string& peripheral) {
  if (isConnecting(peripheral) ||
      central_.peripheralState(peripheral) != os::PeripheralState::disconnected) {
    return;
  }
  connecting_.push_back(peripheral);
  central_.connect(peripheral);
}

void LowEnergyFinder::connectDevice(const LowEnergyDevice& device) {
  const auto& peripheral = device.peripheral();
  if (!peripheral || isConnecting(*peripheral) || failed_.contains(*peripheral)) return;
  connectPeripheral(*peripheral);
}

void LowEnergyFinder::disconnectDevice(const LowEnergyDevice& device) {
  if (!device.peripheral()) return;
  // The device may be one of those removed below.
  const std::string peripheral = *device.peripheral();
  central_.cancelConnection(peripheral);
  removeDevicesOf(peripheral);
  notifyDevices();
}

void LowEnergyFinder::removeStaleDevices() {
  const double now = clock_.now();
  auto removed = std::erase_if(devices_, [now](const auto& device) {
    return now - device->lastUpdate() > kStaleAfterSeconds;
  });
  if (removed > 0) reindex();
  notifyDevices();
}

void LowEnergyFinder::centralDidUpdateState(os::CentralState state) {
  if (delegate_) delegate_->centralStateDidUpdate(state);
}

void LowEnergyFinder::didDiscoverPeripheral(const std::string& peripheral,
                                            const os::AdvertisementData& advertisement) {
  if (auto* known = deviceOf(peripheral)) {
    known->setLastUpdate(clock_.now());
    return;
  }
  if (persistency_.isExcluded(peripheral)) return;
  if (central_.peripheralState(peripheral) != os::PeripheralState::disconnected) return;
  if (advertisement.isConnectable != true) return;

  auto name = central_.name(peripheral);
  auto device =
      std::make_shared<LowEnergyDevice>(peripheral, name ? *name : unknownName(), clock_.now(),
                                        &catalogue_);
  device->setIsConnected(false);
  device->setIsDiscovered(true);
  const auto& data = advertisement.manufacturerData;
  if (data && data->size() >= 2) {
    const auto company = static_cast<std::uint16_t>((*data)[0] | ((*data)[1] << 8));
    // No localized fallback here: an unknown company leaves it absent.
    device->setManufacturer(Manufacturers::known(company));
  }
  device->setName(name ? *name : std::string());
  if (device->name().empty() && device->manufacturer().value_or("").empty()) return;

  LowEnergyDevice& added = *device;
  append(std::move(device));
  if (persistency_.isMonitored(peripheral)) connectDevice(added);
  notifyDevices();
}

void LowEnergyFinder::didConnectPeripheral(const std::string& peripheral) {
  auto* device = deviceOf(peripheral);
  if (device == nullptr) return;
  device->setLastUpdate(clock_.now());
  device->setSerial(peripheral);
  device->setIsConnected(true);
  device->setIsDiscovered(false);
  if (ioKitController_ != nullptr) {
    if (auto properties = ioKitController_->propertiesForIdentifier(peripheral)) {
      device->setIsMouse(properties->primaryUsage == 2);
      device->setIsKeyboard(properties->primaryUsage == 6);
    }
  }
  dropConnecting(peripheral);
  central_.discoverServices(peripheral, {batteryService(), informationService()});
  notifyDevices();
}

void LowEnergyFinder::didFailToConnectPeripheral(const std::string& peripheral,
                                                 const std::string&) {
  dropConnecting(peripheral);
  failed_.insert(peripheral);
}

void LowEnergyFinder::didDisconnectPeripheral(const std::string& peripheral) {
  auto it = std::find_if(devices_.begin(), devices_.end(),
                         [&](const auto& device) { return device->serial() == peripheral; });
  if (it != devices_.end()) {
    devices_.erase(it);
    reindex();
  }
  notifyDevices();
}

void LowEnergyFinder::didDiscoverServices(const std::string& peripheral) {
  if (auto* device = deviceOf(peripheral)) device->setLastUpdate(clock_.now());
  auto services = central_.services(peripheral);
  if (!services) return;
  if (std::find(services->begin(), services->end(), batteryService()) != services->end()) {
    for (const auto& service : *services) central_.discoverCharacteristics(peripheral, service);
    return;
  }
  // A failed store still excludes the peripheral for the rest of this run.
  (void)persistency_.addNoBatteryServiceDevice(peripheral);
  central_.cancelConnection(peripheral);
  removeDevicesOf(peripheral);
}

void LowEnergyFinder::didDiscoverCharacteristics(
    const std::string& peripheral, const std::string& service,
    const std::optional<std::vector<std::string>>& list) {
  if (!list) return;
  for (const auto& characteristic : *list) central_.readValue(peripheral, service, characteristic);
}

void LowEnergyFinder::didUpdateValue(const std::string& peripheral,
                                     const std::string& characteristic,
                                     const std::optional<std::vector<std::uint8_t>>& value) {
  auto* device = deviceOf(peripheral);
  if (!value || device == nullptr) return;
  const double now = clock_.now();
  device->setLastUpdate(now);

  if (characteristic == UUID::batteryLevelCharacteristic().string()) {
    const std::uint8_t level = value->empty() ? 0 : (*value)[0];
    device->setBatteryLevel(std::min<std::uint8_t>(level, 100));
  } else if (characteristic == UUID::modelNumberCharacteristic().string()) {
    if (auto text = utf8Text(*value)) {
      if (const auto* entry = catalogue_.find(*text)) {
        device->setInternalName(*text);
        device->setName(entry->shortName);
        device->setModel(entry->shortName);
      } else {
        device->setName(*text);
        device->setModel(*text);
      }
    }
  } else if (characteristic == UUID::hardwareRevisionCharacteristic().string()) {
    device->setHardwareRevision(utf8Text(*value));
  } else if (characteristic == UUID::firmwareRevisionCharacteristic().string()) {
    device->setFirmwareRevision(utf8Text(*value));
  } else if (characteristic == UUID::manufacturerNameCharacteristic().string()) {
    device->setManufacturer(utf8Text(*value));
  } else if (characteristic == UUID::serialNumberCharacteristic().string()) {
    device->setSerialNumber(utf8Text(*value));
  } else if (characteristic == UUID::softwareRevisionCharacteristic().string()) {
    device->setSoftwareRevision(utf8Text(*value));
  }

  if (now - lastUpdate_ > kValueNotificationInterval) {
    notifyDevices();
    lastUpdate_ = now;
  }
}

LowEnergyDevice* LowEnergyFinder::deviceOf(const std::string& peripheral) const {
  auto it = index_.find(peripheral);
  return it == index_.end() ? nullptr : it->second;
}

void LowEnergyFinder::append(std::shared_ptr<LowEnergyDevice> device) {
  index_.try_emplace(device->serial(), device.get());
  devices_.push_back(std::move(device));
}

void LowEnergyFinder::removeDevicesOf(const std::string& peripheral) {
  auto removed = std::erase_if(devices_, [&](const auto& device) {
    return device->peripheral() && *device->peripheral() == peripheral;
  });
  if (removed > 0) reindex();
}

void LowEnergyFinder::reindex() {
  index_.clear();
  for (const auto& device : devices_) index_.try_emplace(device->serial(), device.get());
}

bool LowEnergyFinder::isConnecting(const std::string& peripheral) const {
  return std::find(connecting_.begin(), connecting_.end(), peripheral) != connecting_.end();
}

void LowEnergyFinder::dropConnecting(const std::string& peripheral) {
  auto it = std::find(connecting_.begin(), connecting_.end(), peripheral);
  if (it != connecting_.end()) connecting_.erase(it);
}

std::string LowEnergyFinder::unknownName() const {
  return os::localizedString(bundle_, kBatteryStringTable, "UNKNOWN");
}

void LowEnergyFinder::notifyDevices() {
  if (delegate_) delegate_->devicesDidUpdate();
}

}  // namespace tellwick
