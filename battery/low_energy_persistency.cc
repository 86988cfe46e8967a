#include "battery/low_energy_persistency.h"

#include <errno.h>

#include <algorithm>

namespace tellwick {
namespace {

// The lists come from a file any program of the user may write.
constexpr std::size_t kMaxEntries = 4096;
constexpr std::size_t kMaxIdentifier = 256;

}  // namespace

std::vector<std::string> LowEnergyPersistency::read(const char* key) {
  auto value = domain_.value(key);
  if (!value) return {};
  const auto* array = value->get<os::PlistArray>();
  if (array == nullptr || array->size() > kMaxEntries) return {};
  std::vector<std::string> list;
  list.reserve(array->size());
  for (const auto& element : *array) {
    const auto* text = element.get<std::string>();
    if (text == nullptr || text->size() > kMaxIdentifier) return {};
    list.push_back(*text);
  }
  return list;
}

os::Status LowEnergyPersistency::write(const char* key, const std::vector<std::string>& list) {
  os::PlistArray array(list.begin(), list.end());
  return domain_.setValue(key, os::PlistValue(std::move(array)));
}

const std::vector<std::string>& LowEnergyPersistency::noBatteryServiceDevices() {
  if (!noBatteryService_) noBatteryService_ = read(kNoBatteryServiceDevicesKey);
  return *noBatteryService_;
}

const std::vector<std::string>& LowEnergyPersistency::monitoredDevices() {
  if (!monitored_) monitored_ = read(kMonitoredDevicesKey);
  return *monitored_;
}

os::Status LowEnergyPersistency::setNoBatteryServiceDevices(std::vector<std::string> identifiers) {
  auto status = write(kNoBatteryServiceDevicesKey, identifiers);
  noBatteryService_ = std::move(identifiers);
  return status;
}

os::Status LowEnergyPersistency::setMonitoredDevices(std::vector<std::string> identifiers) {
  auto status = write(kMonitoredDevicesKey, identifiers);
  monitored_ = std::move(identifiers);
  return status;
}

os::Status LowEnergyPersistency::addNoBatteryServiceDevice(const std::string& identifier) {
  auto list = read(kNoBatteryServiceDevicesKey);
  if (std::find(list.begin(), list.end(), identifier) == list.end()) list.push_back(identifier);
  return setNoBatteryServiceDevices(std::move(list));
}

os::Status LowEnergyPersistency::addMonitoredDevice(const std::string& identifier) {
  auto list = read(kMonitoredDevicesKey);
  if (std::find(list.begin(), list.end(), identifier) == list.end()) list.push_back(identifier);
  return setMonitoredDevices(std::move(list));
}

os::Status LowEnergyPersistency::removeMonitoredDevice(const std::string& identifier) {
  auto list = read(kMonitoredDevicesKey);
  std::erase(list, identifier);
  return setMonitoredDevices(std::move(list));
}

bool LowEnergyPersistency::isExcluded(const std::string& identifier) {
  const auto& list = noBatteryServiceDevices();
  return std::find(list.begin(), list.end(), identifier) != list.end();
}

bool LowEnergyPersistency::isMonitored(const std::optional<std::string>& identifier) {
  if (!identifier) return false;
  const auto& list = monitoredDevices();
  return std::find(list.begin(), list.end(), *identifier) != list.end();
}

std::string programDefaultsSuite() { return program_invocation_short_name; }

}  // namespace tellwick
