#ifndef TELLWICK_TOOLS_SYSTEM_PROFILER_EARBUD_LEVELS_H_
#define TELLWICK_TOOLS_SYSTEM_PROFILER_EARBUD_LEVELS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/system_profiler/system_profiler_report.h"

namespace tellwick::tools {

// An advertisement older than this tells nothing about the earbuds now.
inline constexpr double kAdvertisementLifetime = 60;

// One BlueZ object that carries earbuds' advertisement: never paired, not
// connected, with a proximity pairing message among its maker data.
struct Advertisement {
  std::string path;
  std::vector<std::uint8_t> data;  // the maker data under company 0x004C
  std::optional<std::int16_t> rssi;
  double seenAt = 0;  // seconds since 1970 when these bytes were first seen
};

// The model whose advertisement a device's levels come from: a connected
// device of vendor 0x004C whose product is an earbud pair; nullopt otherwise.
std::optional<std::uint16_t> earbudModel(const BluetoothDevice& device);

// Gives each connected earbud pair the levels of the advertisement of its
// model seen at most kAdvertisementLifetime before now, the one with the
// strongest RSSI among several (no RSSI counts as the weakest). Two
// connected pairs of one model cannot be told apart: neither gets levels;
// nor does a pair whose advertisement knows neither bud. Returns the models of the pairs left without levels that another
// advertisement could still give them.
std::set<std::uint16_t> attachEarbudLevels(std::vector<BluetoothDevice>& devices,
                                           const std::vector<Advertisement>& advertisements, double now);

// BlueZ keeps an advertisement's bytes long after the earbuds left, so its
// age is kept between runs: one line per advertisement, "<seconds> <path>
// <hex bytes>". recallSeen sets seenAt to the remembered time when the same
// object still carries the same bytes, and to now otherwise; lines that do
// not parse, and a memory past kMaxAdvertisementMemory, are ignored.
inline constexpr std::size_t kMaxAdvertisementMemory = 64 * 1024;
void recallSeen(std::vector<Advertisement>& advertisements, std::string_view memory, double now);
std::string rememberSeen(const std::vector<Advertisement>& advertisements);

}  // namespace tellwick::tools

#endif  // TELLWICK_TOOLS_SYSTEM_PROFILER_EARBUD_LEVELS_H_
