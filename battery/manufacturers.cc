#include "battery/manufacturers.h"

#include "protocol/device_type.h"

namespace tellwick {

const std::unordered_map<std::uint16_t, std::string>& Manufacturers::map() {
  static const auto* const kMap = new std::unordered_map<std::uint16_t, std::string>{
      {0x004C, std::string(apple)},
      {0x009E, std::string(bose)},
      {0x046D, std::string(logitech)},
      {0x012D, std::string(sony)},
  };
  return *kMap;
}

std::optional<std::string> Manufacturers::known(std::uint16_t vendorId) {
  const auto& names = map();
  if (auto it = names.find(vendorId); it != names.end()) return it->second;
  return std::nullopt;
}

std::string Manufacturers::name(std::uint16_t vendorId, const os::ResourceBundle& bundle) {
  if (auto name = known(vendorId)) return *name;
  return os::localizedString(bundle, kBatteryStringTable, "UNKNOWN_MANUFACTURER");
}

}  // namespace tellwick
