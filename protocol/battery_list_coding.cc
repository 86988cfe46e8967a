// Kept apart from the monitoring records so that linking the record coders
// does not drag in the battery model's decoders.
#include "protocol/record_coding.h"

namespace tellwick {
namespace {

template <typename Devices>
os::PlistValue encodeDevices(const Devices& devices) {
  os::PlistArray list;
  list.reserve(devices.size());
  for (const auto& device : devices) {
    if (device) list.emplace_back(device->encode());
  }
  return list;
}

template <typename Device>
std::optional<std::vector<std::shared_ptr<Device>>> decodeDevices(const os::PlistValue& list) {
  const auto* array = list.get<os::PlistArray>();
  if (!array) return std::nullopt;
  std::vector<std::shared_ptr<Device>> devices;
  devices.reserve(array->size());
  for (const auto& element : *array) {
    auto device = Device::decode(element);
    if (!device) return std::nullopt;
    devices.push_back(std::move(device));
  }
  return devices;
}

}  // namespace

os::PlistValue encodeSingleBatteryDevices(const SingleBatteryDevices& devices) {
  return encodeDevices(devices);
}

std::optional<SingleBatteryDevices> decodeSingleBatteryDevices(const os::PlistValue& list) {
  return decodeDevices<SingleBatteryDevice>(list);
}

os::PlistValue encodeDoubleBatteryDevices(const DoubleBatteryDevices& devices) {
  return encodeDevices(devices);
}

std::optional<DoubleBatteryDevices> decodeDoubleBatteryDevices(const os::PlistValue& list) {
  return decodeDevices<DoubleBatteryDevice>(list);
}

}  // namespace tellwick
