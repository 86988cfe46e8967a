#include "tools/tellwickctl/watch/watch_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tellwick::watch {
namespace {

// Each parsed command line as "interval panels json count", or "refused".
TEST(WatchOptionsTest, ParsesWhatIsValidAndRefusesTheRest) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "1 sensors fans traffic batteries 0 -"}, {{"--interval", "0.2"}, "0.2 sensors fans traffic batteries 0 -"},
      {{"--interval=60"}, "60 sensors fans traffic batteries 0 -"}, {{"--interval", "0.1"}, "refused"},
      {{"--interval", "61"}, "refused"}, {{"--interval", "nan"}, "refused"}, {{"--interval"}, "refused"},
      {{"--only", "traffic,sensors"}, "1 sensors traffic 0 -"}, {{"--only=fans,fans"}, "1 fans 0 -"},
      {{"--only", "fans,"}, "refused"}, {{"--only", "disks"}, "refused"},
      {{"--json", "--count", "3"}, "1 sensors fans traffic batteries 1 3"}, {{"--count", "0"}, "refused"},
      {{"--count", "99999999999999999999"}, "refused"}, {{"sensors"}, "refused"},
  };
  for (const auto& [arguments, expected] : cases) {
    auto parsed = parseWatchOptions(arguments);
    std::ostringstream got;
    if (parsed.ok()) {
      got << parsed->interval;
      for (Panel p : parsed->panels) got << " " << panelName(p);
      got << " " << parsed->json << " " << (parsed->count ? std::to_string(*parsed->count) : "-");
    }
    EXPECT_EQ(parsed.ok() ? got.str() : parsed.error().empty() ? "refused without a reason" : "refused", expected)
        << ::testing::PrintToString(arguments);
  }
}

TEST(WatchOptionsTest, IntervalKeysStepAlongTheLadder) {
  const struct {
    double from;
    bool longer;
    double to;
  } kSteps[] = {{1, true, 2},   {1, false, 0.5}, {0.2, false, 0.2}, {60, true, 60},
                {0.7, true, 1}, {0.7, false, 0.5}, {45, true, 60},  {30, false, 10}};
  for (const auto& s : kSteps) EXPECT_EQ(nextInterval(s.from, s.longer), s.to) << s.from;
}

}  // namespace
}  // namespace tellwick::watch
