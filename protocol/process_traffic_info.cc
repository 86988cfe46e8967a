#include "protocol/process_traffic_info.h"

#include <limits>

namespace tellwick {

std::uint64_t ProcessTrafficInfo::total() const {
  std::uint64_t sum = 0;
  if (__builtin_add_overflow(sent_, received_, &sum)) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return sum;
}

}  // namespace tellwick
