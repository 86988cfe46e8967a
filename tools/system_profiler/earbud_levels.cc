#include "tools/system_profiler/earbud_levels.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <map>

#include "battery/proximity_pairing.h"

namespace tellwick::tools {
namespace {

int strength(const Advertisement& advertisement) {
  return advertisement.rssi ? *advertisement.rssi : std::numeric_limits<int>::min();
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (auto byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

std::string_view nextField(std::string_view& line) {
  std::size_t end = line.find(' ');
  std::string_view field = line.substr(0, end);
  line.remove_prefix(end == std::string_view::npos ? line.size() : end + 1);
  return field;
}

}  // namespace

std::optional<std::uint16_t> earbudModel(const BluetoothDevice& device) {
  if (!device.connected || !device.modalias) return std::nullopt;
  auto ids = parseModalias(*device.modalias);
  if (!ids || ids->vendor != kProximityPairingCompany || !isEarbudPair(ids->product)) return std::nullopt;
  return ids->product;
}

std::set<std::uint16_t> attachEarbudLevels(std::vector<BluetoothDevice>& devices,
                                           const std::vector<Advertisement>& advertisements, double now) {
  std::map<std::uint16_t, int> pairsOfModel;
  for (const auto& device : devices) {
    if (auto model = earbudModel(device)) ++pairsOfModel[*model];
  }
  std::set<std::uint16_t> missing;
  for (auto& device : devices) {
    auto model = earbudModel(device);
    if (!model || pairsOfModel[*model] > 1) continue;
    device.earbuds.reset();
    const Advertisement* best = nullptr;
    for (const auto& advertisement : advertisements) {
      if (now - advertisement.seenAt > kAdvertisementLifetime) continue;
      auto message = decodeProximityPairing(advertisement.data);
      if (!message || message->model != *model) continue;
      if (!best || strength(advertisement) > strength(*best)) {
        best = &advertisement;
        device.earbuds = message;
      }
    }
    if (!best) missing.insert(*model);
    // Knowing neither bud, the advertisement says less than the one level
    // the device reports itself.
    if (device.earbuds && !device.earbuds->left && !device.earbuds->right) device.earbuds.reset();
  }
  return missing;
}

void recallSeen(std::vector<Advertisement>& advertisements, std::string_view memory, double now) {
  std::map<std::string, std::pair<std::string, double>, std::less<>> remembered;
  // A few dozen advertisers are in range at most: a bigger memory is not ours.
  if (memory.size() > kMaxAdvertisementMemory) memory = {};
  while (!memory.empty()) {
    std::size_t end = memory.find('\n');
    std::string_view line = memory.substr(0, end);
    memory.remove_prefix(end == std::string_view::npos ? memory.size() : end + 1);
    std::string_view time = nextField(line), path = nextField(line), bytes = nextField(line);
    double seconds = 0;
    auto [rest, error] = std::from_chars(time.data(), time.data() + time.size(), seconds);
    if (error != std::errc() || rest != time.data() + time.size() || path.empty()) continue;
    remembered[std::string(path)] = {std::string(bytes), seconds};
  }
  for (auto& advertisement : advertisements) {
    advertisement.seenAt = now;
    auto it = remembered.find(advertisement.path);
    // A clock set back makes no advertisement older than it is.
    if (it != remembered.end() && it->second.first == hex(advertisement.data) && it->second.second <= now) {
      advertisement.seenAt = it->second.second;
    }
  }
}

std::string rememberSeen(const std::vector<Advertisement>& advertisements) {
  std::string out;
  for (const auto& advertisement : advertisements) {
    if (advertisement.path.find_first_of(" \n") != std::string::npos) continue;
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", advertisement.seenAt);
    out += std::string(time) + " " + advertisement.path + " " + hex(advertisement.data) + "\n";
  }
  return out;
}

}  // namespace tellwick::tools
