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

std::string Manufacturers::name(std::uint16_t vendorId, const os::ResourceBundle& bundle) {
  const auto& known = map();
  if (auto it = known.find(vendorId); it != known.end()) return it->second;
  return os::localizedString(bundle, kBatteryStringTable, "UNKNOWN_MANUFACTURER");
}

}  // namespace tellwick
