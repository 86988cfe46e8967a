#include "tools/tellwickctl/watch/watch_options.h"

#include <gtest/gtest.h>

#include <string>

namespace tellwick::watch {
namespace {

TEST(WatchOptionsTest, OnlyNamesPanelsAndShowsThemInTheViewsOrder) {
  const std::pair<std::string, std::string> cases[] = {
      {"traffic,fans,sensors", "sensors fans traffic"}, {"fans,fans", "fans"}, {"fans,", "refused"}, {"disks", "refused"},
  };
  for (const auto& [list, expected] : cases) {
    auto panels = panelsNamed(list);
    std::string got = panels.ok() ? "" : "refused";
    for (Panel p : panels.ok() ? *panels : std::vector<Panel>{}) got += (got.empty() ? "" : " ") + std::string(panelName(p));
    EXPECT_EQ(got, expected) << list;
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
