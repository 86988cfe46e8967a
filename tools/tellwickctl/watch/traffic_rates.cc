#include "tools/tellwickctl/watch/traffic_rates.h"

#include <algorithm>

namespace tellwick::watch {

std::vector<ProcessRate> TrafficRates::update(const std::vector<ProcessTrafficInfo>& sample,
                                              double seconds) {
  std::optional<double> elapsed;
  if (previousSeconds_ && seconds > *previousSeconds_) elapsed = seconds - *previousSeconds_;
  previousSeconds_ = seconds;

  std::unordered_map<std::uint64_t, Previous> next;
  next.reserve(sample.size());
  std::vector<ProcessRate> rates;
  rates.reserve(sample.size());
  for (const auto& process : sample) {
    if (next.contains(process.pid())) continue;
    ProcessRate rate{process.pid(), process.name(), process.sent(), process.received(), {}, {}};
    auto before = previous_.find(process.pid());
    if (elapsed && before != previous_.end() && before->second.name == process.name() &&
        process.sent() >= before->second.sent && process.received() >= before->second.received) {
      rate.sentPerSecond = static_cast<double>(process.sent() - before->second.sent) / *elapsed;
      rate.receivedPerSecond = static_cast<double>(process.received() - before->second.received) / *elapsed;
    }
    next.emplace(process.pid(), Previous{process.name(), process.sent(), process.received()});
    rates.push_back(std::move(rate));
  }
  previous_ = std::move(next);

  std::stable_sort(rates.begin(), rates.end(), [](const ProcessRate& a, const ProcessRate& b) {
    if (a.totalPerSecond() != b.totalPerSecond()) return a.totalPerSecond() > b.totalPerSecond();
    // Saturating: two counters near the top of the range must not wrap.
    auto bytes = [](const ProcessRate& r) {
      return r.sent > UINT64_MAX - r.received ? UINT64_MAX : r.sent + r.received;
    };
    if (bytes(a) != bytes(b)) return bytes(a) > bytes(b);
    return a.pid < b.pid;
  });
  return rates;
}

}  // namespace tellwick::watch
