#include "tools/tellwickctl/arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tellwick::ctl {
namespace {

using ::testing::HasSubstr;

Invocation parsed(std::vector<std::string> arguments) {
  auto result = parseArguments(arguments);
  EXPECT_TRUE(result.invocation.has_value()) << result.error;
  return result.invocation.value_or(Invocation{});
}

std::string rejection(std::vector<std::string> arguments) {
  auto result = parseArguments(arguments);
  EXPECT_FALSE(result.invocation.has_value());
  return result.error;
}

std::vector<std::string> names(const Invocation& invocation) {
  std::vector<std::string> out;
  for (const Category* c : invocation.categories) out.emplace_back(c->name);
  return out;
}

TEST(ParseArgumentsTest, AcceptsEachCommandWithOptionsInAnyOrder) {
  auto fans = parsed({"fans"});
  EXPECT_EQ(fans.command, &kQuery);
  EXPECT_EQ(names(fans), std::vector<std::string>{"fans"});
  EXPECT_FALSE(fans.json);
  EXPECT_EQ(fans.timeout, std::chrono::seconds(10));

  auto all = parsed({"--json", "all", "--timeout", "2.5"});
  EXPECT_EQ(names(all), (std::vector<std::string>{"sensors", "fans", "traffic", "batteries"}));
  EXPECT_TRUE(all.json);
  EXPECT_EQ(all.timeout, std::chrono::milliseconds(2500));

  EXPECT_EQ(parsed({"batteries", "--timeout=0.001"}).timeout, std::chrono::milliseconds(1));
  auto terminate = parsed({"terminate"});
  EXPECT_EQ(terminate.command->name, "terminate");
  EXPECT_TRUE(terminate.categories.empty());
  EXPECT_TRUE(parsed({"sensors", "--help"}).help);
}

TEST(ParseArgumentsTest, RejectsWhatItCannotDo) {
  EXPECT_THAT(rejection({}), HasSubstr("no command"));
  EXPECT_THAT(rejection({"temperatures"}), HasSubstr("'temperatures'"));
  EXPECT_THAT(rejection({"fans", "sensors"}), HasSubstr("one command"));
  EXPECT_THAT(rejection({"fans", "--verbose"}), HasSubstr("'--verbose'"));
  EXPECT_THAT(rejection({"fans", "--timeout"}), HasSubstr("--timeout"));
  for (const char* bad : {"0", "-1", "abc", "1s", "", "nan", "inf", "100000"}) {
    EXPECT_THAT(rejection({"fans", "--timeout", bad}), HasSubstr("--timeout")) << bad;
  }
  EXPECT_THAT(rejection({"terminate", "--json"}), HasSubstr("--json"));
}

// The usage text is built from the tables; it is part of the command line.
TEST(ParseArgumentsTest, UsageListsEveryCommand) {
  EXPECT_EQ(usage(),
            "usage: tellwickctl sensors|fans|traffic|batteries|all [--json] [--timeout SECONDS]\n"
            "       tellwickctl terminate [--timeout SECONDS]\n"
            "       tellwickctl battery [--json]\n"
            "       tellwickctl peripherals [--json]\n"
            "       tellwickctl le [--json] [--once] [--timeout SECONDS] | monitor|unmonitor ADDRESS\n"
            "       tellwickctl watch [--interval SECONDS] [--only CATEGORIES] [--json] [--count N]\n"
            "       tellwickctl status [--json]\n"
            "       tellwickctl launch [--timeout SECONDS]\n"
            "       tellwickctl update [--json]\n"
            "       tellwickctl website\n"
            "       tellwickctl autostart on|off|status [--via xdg|systemd]\n"
            "Asks the running tellwick helper for one category (or all) and prints its answer.\n"
            "  --json             print the records as one JSON document\n"
            "  --timeout SECONDS  how long to wait for the helper (default 10)\n");
}

}  // namespace
}  // namespace tellwick::ctl
