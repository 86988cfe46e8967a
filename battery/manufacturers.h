#ifndef TELLWICK_BATTERY_MANUFACTURERS_H_
#define TELLWICK_BATTERY_MANUFACTURERS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "os/files/resource_bundle.h"

namespace tellwick {

// Vendor identifier to manufacturer name.
struct Manufacturers {
  Manufacturers() = delete;

  static constexpr std::string_view apple = "Apple Inc.";
  static constexpr std::string_view bose = "Bose Corporation";
  static constexpr std::string_view logitech = "Logitech Inc.";
  static constexpr std::string_view sony = "Sony Corporation";

  // Exactly the four known vendors, built once; a missing key means no name
  // at all. Any thread.
  static const std::unordered_map<std::uint16_t, std::string>& map();
  // The known name, or nullopt. Any thread.
  static std::optional<std::string> known(std::uint16_t vendorId);
  // The known name, else the localized "UNKNOWN_MANUFACTURER" text of the
  // bundle's "battery" string table. Any thread.
  static std::string name(std::uint16_t vendorId, const os::ResourceBundle& bundle);
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_MANUFACTURERS_H_
