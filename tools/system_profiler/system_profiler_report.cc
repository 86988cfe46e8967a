#include "tools/system_profiler/system_profiler_report.h"

#include <array>
#include <cstdio>
#include <tuple>
#include <utility>

namespace tellwick::tools {
namespace {

constexpr std::string_view kGroupIndent = "      ";
constexpr std::string_view kBlockIndent = "          ";
constexpr std::string_view kPropertyIndent = "              ";

std::optional<std::uint16_t> hex4(std::string_view text) {
  if (text.size() < 4) return std::nullopt;
  std::uint16_t value = 0;
  for (char c : text.substr(0, 4)) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

std::string hexId(std::uint16_t value) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "0x%04X", value);
  return text.data();
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

void property(std::string& out, std::string_view indent, std::string_view key,
              std::string_view value) {
  out += indent;
  out += key;
  out += ": ";
  out += value;
  out += '\n';
}

void deviceBlock(std::string& out, const BluetoothDevice& device) {
  std::string title = sectionTitle(device.alias);
  if (title.empty()) title = sectionTitle(upper(device.address));
  out += kBlockIndent;
  out += title;
  out += ":\n";
  property(out, kPropertyIndent, "Address", sectionTitle(upper(device.address)));
  if (device.modalias) {
    if (auto ids = parseModalias(*device.modalias)) {
      property(out, kPropertyIndent, "Vendor ID", hexId(ids->vendor));
      property(out, kPropertyIndent, "Product ID", hexId(ids->product));
    }
  }
  if (device.icon) {
    if (auto type = minorTypeForIcon(*device.icon))
      property(out, kPropertyIndent, "Minor Type", *type);
  }
  if (device.earbuds) {
    const ProximityPairing& buds = *device.earbuds;
    const std::tuple<const char*, const char*, std::optional<std::uint8_t>, bool> kLevels[] = {
        {"Left Battery Level", "Left Charging", buds.left, buds.leftCharging},
        {"Right Battery Level", "Right Charging", buds.right, buds.rightCharging},
        {"Case Battery Level", "Case Charging", buds.caseLevel, buds.caseCharging},
    };
    for (const auto& [key, chargingKey, level, charging] : kLevels) {
      if (!level) continue;
      property(out, kPropertyIndent, key, std::to_string(*level) + "%");
      property(out, kPropertyIndent, chargingKey, charging ? "Yes" : "No");
    }
  } else if (device.batteryPercentage) {
    property(out, kPropertyIndent, "Battery Level",
             std::to_string(*device.batteryPercentage) + "%");
  }
}

}  // namespace

std::optional<DeviceIds> parseModalias(std::string_view modalias) {
  std::size_t colon = modalias.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view fields = modalias.substr(colon + 1);
  if (fields.size() < 10 || fields[0] != 'v' || fields[5] != 'p') return std::nullopt;
  auto vendor = hex4(fields.substr(1));
  auto product = hex4(fields.substr(6));
  if (!vendor || !product) return std::nullopt;
  return DeviceIds{*vendor, *product};
}

std::optional<std::string_view> minorTypeForIcon(std::string_view icon) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kTypes = {{
      {"input-keyboard", "Keyboard"},
      {"input-mouse", "Mouse"},
      {"input-tablet", "Trackpad"},
      {"audio-headphones", "Headphones"},
      {"audio-headset", "Headset"},
  }};
  for (const auto& [name, type] : kTypes) {
    if (name == icon) return type;
  }
  return std::nullopt;
}

std::string sectionTitle(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
    // Checked on what is written, not on what was read: a control character
    // that became a blank, or a colon left bare by one just dropped, would
    // otherwise still make ": ".
    if (c == ' ') {
      while (!out.empty() && out.back() == ':') out.pop_back();
    }
    out += c;
  }
  std::size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string bluetoothReport(const std::vector<BluetoothAdapter>& adapters,
                            const std::vector<BluetoothDevice>& devices) {
  std::string out = "Bluetooth:\n";
  if (adapters.empty() && devices.empty()) return out;
  out += '\n';
  for (const auto& adapter : adapters) {
    out += kGroupIndent;
    out += "Bluetooth Controller:\n";
    property(out, kBlockIndent, "Address", sectionTitle(upper(adapter.address)));
    property(out, kBlockIndent, "State", adapter.powered ? "On" : "Off");
  }
  // An empty group would put the next group's title at its own depth, where
  // a reader drops it and files the next devices under the wrong group.
  for (bool connected : {true, false}) {
    bool opened = false;
    for (const auto& device : devices) {
      if (device.connected != connected) continue;
      if (!opened) {
        out += kGroupIndent;
        out += connected ? "Connected:\n" : "Not Connected:\n";
        opened = true;
      }
      deviceBlock(out, device);
    }
  }
  return out;
}

}  // namespace tellwick::tools
