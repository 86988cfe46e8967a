#include "tools/watch/watch_options.h"

#include <gtest/gtest.h>

namespace tellwick::watch {
namespace {

struct OptionsCase {
  std::vector<std::string> arguments;
  bool ok;
  double interval = 1;
  std::vector<Panel> panels = {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};
  bool json = false;
  std::optional<long> count = std::nullopt;
};

const OptionsCase kOptions[] = {
    {{}, true}, {{"--interval", "0.2"}, true, 0.2}, {{"--interval=60"}, true, 60},
    {{"--interval", "0.1"}, false}, {{"--interval", "61"}, false}, {{"--interval", "nan"}, false},
    {{"--interval"}, false}, {{"--only", "fans,"}, false}, {{"--only", "disks"}, false},
    {{"--only", "traffic,sensors"}, true, 1, {Panel::sensors, Panel::traffic}}, {{"--only=fans,fans"}, true, 1, {Panel::fans}},
    {{"--json", "--count", "3"}, true, 1, {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries}, true, 3},
    {{"--count", "0"}, false}, {{"--count", "99999999999999999999"}, false}, {{"sensors"}, false},
};

TEST(WatchOptionsTest, ParsesWhatIsValidAndRefusesTheRest) {
  for (const auto& c : kOptions) {
    std::string line;
    for (const auto& a : c.arguments) line += a + " ";
    auto parsed = parseWatchOptions(c.arguments);
    ASSERT_EQ(parsed.ok(), c.ok) << line << parsed.error();
    if (!c.ok) {
      EXPECT_FALSE(parsed.error().empty());
      continue;
    }
    EXPECT_EQ(parsed->interval, c.interval) << line;
    EXPECT_EQ(parsed->panels, c.panels) << line;
    EXPECT_EQ(parsed->json, c.json) << line;
    EXPECT_EQ(parsed->count, c.count) << line;
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
