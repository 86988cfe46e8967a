#include "battery/iokit_controller.h"

#include "battery/registry_values.h"

namespace tellwick {
namespace {

const os::PlistDictionary* nonEmptyDictionary(const os::PlistValue* value) {
  const auto* d = value ? value->get<os::PlistDictionary>() : nullptr;
  return d && !d->empty() ? d : nullptr;
}

}  // namespace

std::optional<std::string> IOKitController::manufacturerForAddress(const std::string& address) {
  if (auto it = manufacturers_.find(address); it != manufacturers_.end()) return it->second;
  auto services = registry_.matchingServices(appleBluetoothDevice);
  if (!services.ok()) return std::nullopt;
  for (auto service : *services) {
    const auto found = registry_.property(service, deviceAddress);
    if (registry_values::text(found ? &*found : nullptr) != address) continue;
    const auto all = registry_.property(service, descriptors);
    const auto* outer = nonEmptyDictionary(all ? &*all : nullptr);
    const auto* inner = outer ? nonEmptyDictionary(os::findKey(*outer, deviceDescriptor)) : nullptr;
    if (!inner) continue;
    if (auto name = registry_values::text(os::findKey(*inner, manufacturer))) {
      manufacturers_.emplace(address, *name);
      return name;
    }
  }
  return std::nullopt;
}

std::optional<DeviceProperties> IOKitController::propertiesForIdentifier(
    const std::string& identifier) {
  if (auto it = deviceProperties_.find(identifier); it != deviceProperties_.end()) {
    return it->second;
  }
  auto services = registry_.matchingServices(serviceName);
  if (!services.ok()) return std::nullopt;
  for (auto service : *services) {
    const auto all = registry_.properties(service);
    if (!all) continue;
    const auto id = registry_values::text(os::findKey(*all, physicalUniqueId));
    if (id != identifier) continue;
    const auto usageValue = registry_values::wholeInteger(os::findKey(*all, primaryUsageKey));
    const auto makerName = registry_values::text(os::findKey(*all, manufacturerKey));
    if (!usageValue || !makerName) continue;
    DeviceProperties properties{*usageValue, *makerName};
    deviceProperties_.emplace(identifier, properties);
    return properties;
  }
  return std::nullopt;
}

}  // namespace tellwick
