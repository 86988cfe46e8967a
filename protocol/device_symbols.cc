#include "protocol/device_symbols.h"

#include <cctype>
#include <string_view>

#include "protocol/battery_device.h"

namespace tellwick {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool has(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

std::string pick(SymbolSet set, const char* current, const char* legacy) {
  return set == SymbolSet::current ? current : legacy;
}

// Left (true) or right unit.
std::string unitSymbol(const DoubleBatteryDevice& device, SymbolSet set, bool left) {
  const std::string name = lowered(device.name());
  if (has(name, "airpods") && has(name, "pro")) return left ? "airpodpro.left" : "airpodpro.right";
  if (has(name, "airpods")) return left ? "airpod.left" : "airpod.right";
  if (has(name, "beats") && set == SymbolSet::current) {
    return left ? "beats.powerbeatspro.left" : "beats.powerbeatspro.right";
  }
  return left ? "l.circle.fill" : "r.circle.fill";
}

}  // namespace

SymbolSet platformSymbolSet() { return SymbolSet::current; }

std::string BatteryDevice::symbolImage(SymbolSet set) const {
  const std::string name = lowered(name_);
  switch (type_) {
    case DeviceType::keyboard:
      return "keyboard";
    case DeviceType::mouse:
      return pick(set, "magicmouse", "cursorarrow");
    case DeviceType::trackpad:
      return "rectangle";
    case DeviceType::headphones:
    case DeviceType::headset:
      return "headphones";
    case DeviceType::chargingCase:
      if (has(name, "pro")) return pick(set, "airpodspro.chargingcase.wireless", "bolt.fill");
      return pick(set, "airpods.chargingcase", "bolt.fill");
    case DeviceType::lowEnergy:
      return "dot.radiowaves.right";
    case DeviceType::undefined:
      break;
  }
  if (has(name, "airpods2")) return pick(set, "airpods.chargingcase", "bolt.fill");
  if (has(name, "airpods") && has(name, "pro")) return pick(set, "airpodspro", "airpods");
  if (has(name, "airpods") && has(name, "max")) return pick(set, "airpodsmax", "headphones");
  if (has(name, "airpods")) return "airpods";
  if (has(name, "beats") && has(name, "solo")) return pick(set, "beats.headphones", "headphones");
  if (has(name, "beats") && has(name, "power")) return pick(set, "beats.powerbeats", "headphones");
  if (has(name, "magic") && has(name, "mouse")) return pick(set, "magicmouse", "cursorarrow");
  return "dot.radiowaves.right";
}

std::string DoubleBatteryDevice::leftSymbolImage(SymbolSet set) const {
  return unitSymbol(*this, set, true);
}

std::string DoubleBatteryDevice::rightSymbolImage(SymbolSet set) const {
  return unitSymbol(*this, set, false);
}

}  // namespace tellwick
