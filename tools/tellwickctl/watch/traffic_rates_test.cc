#include "tools/tellwickctl/watch/traffic_rates.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tellwick::watch {
namespace {

struct Step {
  double seconds;
  std::vector<ProcessTrafficInfo> sample;
  const char* rates;  // "pid:sent/received" in the order returned, "-" for no rate yet
};

const std::pair<const char*, std::vector<Step>> kCases[] = {
    {"the first sample has no rate yet, the second has one",
     {{10, {{7, "curl", 1000, 5000}}, "7:-/-"}, {12, {{7, "curl", 3000, 9000}}, "7:1000/2000"}}},
    {"a counter that goes down starts the process afresh",
     {{0, {{7, "curl", 1000, 5000}}, "7:-/-"}, {1, {{7, "curl", 1000, 100}}, "7:-/-"},
      {2, {{7, "curl", 1500, 600}}, "7:500/500"}}},
    {"a pid reused by another program starts afresh",
     {{0, {{7, "curl", 1000, 5000}}, "7:-/-"}, {1, {{7, "ssh", 2000, 6000}}, "7:-/-"}}},
    {"a sample no later than the one before gives no rate",
     {{5, {{7, "curl", 1000, 5000}}, "7:-/-"}, {5, {{7, "curl", 2000, 6000}}, "7:-/-"},
      {4, {{7, "curl", 3000, 7000}}, "7:-/-"}, {6, {{7, "curl", 4000, 8000}}, "7:500/500"}}},
    {"highest total rate first, then more bytes, then the lower pid",
     {{0, {{1, "a", 0, 0}, {2, "b", 0, 0}, {3, "c", 0, 0}, {4, "d", 50, 0}}, "4:-/- 1:-/- 2:-/- 3:-/-"},
      {1, {{1, "a", 10, 0}, {2, "b", 0, 300}, {3, "c", 100, 100}, {4, "d", 50, 0}, {5, "e", 1, 1}},
       "2:0/300 3:100/100 1:10/0 4:0/0 5:-/-"}}},
    {"counters at the top of the range neither wrap nor overflow",
     {{0, {{1, "a", UINT64_MAX - 10, UINT64_MAX - 10}}, "1:-/-"}, {1, {{1, "a", UINT64_MAX, UINT64_MAX}}, "1:10/10"}}},
};

std::string rate(std::optional<double> r) {
  std::ostringstream text;
  if (r) text << *r;
  return r ? text.str() : "-";
}

TEST(TrafficRatesTest, RatesFollowTheCounters) {
  for (const auto& [name, steps] : kCases) {
    TrafficRates rates;
    for (std::size_t s = 0; s < steps.size(); ++s) {
      std::string got;
      for (const auto& r : rates.update(steps[s].sample, steps[s].seconds)) {
        got += (got.empty() ? "" : " ") + std::to_string(r.pid) + ":" + rate(r.sentPerSecond) + "/" +
               rate(r.receivedPerSecond);
      }
      EXPECT_EQ(got, steps[s].rates) << name << ", step " << s;
    }
  }
}

}  // namespace
}  // namespace tellwick::watch
