#ifndef TELLWICK_TOOLS_SYSTEM_PROFILER_SYSTEM_PROFILER_REPORT_H_
#define TELLWICK_TOOLS_SYSTEM_PROFILER_SYSTEM_PROFILER_REPORT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "battery/proximity_pairing.h"

namespace tellwick::tools {

// What the Bluetooth report shows of one adapter (org.bluez.Adapter1).
struct BluetoothAdapter {
  std::string address;
  bool powered = false;
};

// What the report shows of one known device (org.bluez.Device1, and
// org.bluez.Battery1 when the device has it).
struct BluetoothDevice {
  std::string alias{};
  std::string address{};
  bool connected = false;
  std::optional<std::string> modalias{};
  std::optional<std::string> icon{};
  std::optional<std::uint8_t> batteryPercentage{};
  // Earbuds' left, right and case levels from their own advertisement; when
  // present they stand in the report instead of batteryPercentage.
  std::optional<ProximityPairing> earbuds{};
  std::string adapter{};  // the BlueZ object path of its adapter
};

struct DeviceIds {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
};

// "bluetooth:v004Cp200Ed0001" or "usb:v05ACp0267d0001": the vendor and
// product fields; nullopt for any other shape.
std::optional<DeviceIds> parseModalias(std::string_view modalias);

// The report's "Minor Type" for a BlueZ icon name; nullopt for icons the
// report has no word for.
std::optional<std::string_view> minorTypeForIcon(std::string_view icon);

// A device name as a section title: control characters become blanks and
// every colon that would stand before a blank is dropped, so the result
// never holds ": " and no title reads as a "key: value" line or breaks the
// outline; blanks are trimmed at both ends.
std::string sectionTitle(std::string_view name);

// The report in the platform's indented layout: "Bluetooth:" and an empty
// line, one controller block per adapter, then the "Connected:" and "Not
// Connected:" groups (a group without devices is left out). Devices appear
// in the order given. Earbuds' levels show as "Left Battery Level", "Right
// Battery Level" and "Case Battery Level", each only when known and each
// followed by its "... Charging" Yes or No.
std::string bluetoothReport(const std::vector<BluetoothAdapter>& adapters,
                            const std::vector<BluetoothDevice>& devices);

}  // namespace tellwick::tools

#endif  // TELLWICK_TOOLS_SYSTEM_PROFILER_SYSTEM_PROFILER_REPORT_H_
