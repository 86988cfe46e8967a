#ifndef TELLWICK_PROTOCOL_PROCESS_TRAFFIC_INFO_H_
#define TELLWICK_PROTOCOL_PROCESS_TRAFFIC_INFO_H_

#include <cstdint>
#include <string>

namespace tellwick {

// One process's cumulative network byte counters. Immutable once built.
class ProcessTrafficInfo {
 public:
  ProcessTrafficInfo(std::uint64_t pid, std::string name, std::uint64_t sent,
                     std::uint64_t received)
      : pid_(pid), name_(std::move(name)), sent_(sent), received_(received) {}

  std::uint64_t pid() const { return pid_; }
  const std::string& name() const { return name_; }
  std::uint64_t sent() const { return sent_; }
  std::uint64_t received() const { return received_; }
  // sent + received, saturating at the largest unsigned 64-bit value.
  std::uint64_t total() const;

 private:
  std::uint64_t pid_;
  std::string name_;
  std::uint64_t sent_;
  std::uint64_t received_;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_PROCESS_TRAFFIC_INFO_H_
