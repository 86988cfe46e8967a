#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_TRAFFIC_RATES_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_TRAFFIC_RATES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "protocol/process_traffic_info.h"

namespace tellwick::watch {

// One process of a traffic sample with its rates.
struct ProcessRate {
  std::uint64_t pid = 0;
  std::string name;
  std::uint64_t sent = 0;      // cumulative bytes, as reported
  std::uint64_t received = 0;
  // Bytes per second since this process's previous sample; absent on its
  // first sample and on the sample where its counters started afresh.
  std::optional<double> sentPerSecond;
  std::optional<double> receivedPerSecond;

  // Both rates added; 0 while there is no rate.
  double totalPerSecond() const { return sentPerSecond.value_or(0) + receivedPerSecond.value_or(0); }
};

// Turns successive samples of cumulative per-process counters into rates.
// A process is known by its pid and name: a pid that comes back under a
// different name (reused), or whose counters went down (restarted), starts
// afresh with no rate rather than a negative or huge one. Processes missing
// from a sample are forgotten. One thread.
class TrafficRates {
 public:
  // Takes the sample read at `seconds` (any clock that does not go back) and
  // returns every process of it, the highest total rate first (ties: more
  // bytes in all, then the lower pid). A pid listed twice counts once, by
  // its first entry. A sample no later than the previous one gives no rates.
  std::vector<ProcessRate> update(const std::vector<ProcessTrafficInfo>& sample, double seconds);

  // How many processes are remembered.
  std::size_t size() const { return previous_.size(); }

 private:
  struct Previous {
    std::string name;
    std::uint64_t sent;
    std::uint64_t received;
  };
  std::unordered_map<std::uint64_t, Previous> previous_;
  std::optional<double> previousSeconds_;
};

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_TRAFFIC_RATES_H_
