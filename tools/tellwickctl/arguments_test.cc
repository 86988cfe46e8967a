#include "tools/tellwickctl/arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tellwick::ctl {
namespace {

using ::testing::HasSubstr;

TEST(ParseArgumentsTest, AcceptsEachCommandWithOptionsInAnyOrder) {
  const struct {
    std::vector<std::string> arguments;
    const char* command;
    const char* categories;
    bool json;
    long timeoutMs;
    bool help = false;
  } cases[] = {
      {{"fans"}, "query", "fans ", false, 10000},
      {{"--json", "all", "--timeout", "2.5"}, "query", "sensors fans traffic batteries ", true, 2500},
      {{"batteries", "--timeout=0.001"}, "query", "batteries ", false, 1},
      {{"terminate"}, "terminate", "", false, 10000},
      {{"sensors", "--help"}, "", "", false, 10000, true},
  };
  for (const auto& c : cases) {
    auto result = parseArguments(c.arguments);
    ASSERT_TRUE(result.invocation.has_value()) << result.error;
    const Invocation& got = *result.invocation;
    std::string categories;
    for (const Category* category : got.categories) categories += std::string(category->name) + " ";
    EXPECT_EQ(!got.command ? "" : got.command == &kQuery ? "query" : got.command->name, c.command);
    EXPECT_EQ(categories, c.categories);
    EXPECT_EQ(got.json, c.json);
    EXPECT_EQ(got.timeout, std::chrono::milliseconds(c.timeoutMs));
    EXPECT_EQ(got.help, c.help);
  }
}

TEST(ParseArgumentsTest, RejectsWhatItCannotDo) {
  auto rejection = [](std::vector<std::string> arguments) {
    auto result = parseArguments(arguments);
    EXPECT_FALSE(result.invocation.has_value());
    return result.error;
  };
  EXPECT_THAT(rejection({}), HasSubstr("no command"));
  EXPECT_THAT(rejection({"temperatures"}), HasSubstr("'temperatures'"));
  EXPECT_THAT(rejection({"fans", "sensors"}), HasSubstr("one command"));
  EXPECT_THAT(rejection({"fans", "--verbose"}), HasSubstr("'--verbose'"));
  EXPECT_THAT(rejection({"terminate", "--json"}), HasSubstr("--json"));
  for (const char* bad : {"0", "-1", "abc", "1s", "", "nan", "inf", "100000"}) {
    EXPECT_THAT(rejection({"fans", "--timeout", bad}), HasSubstr("--timeout")) << bad;
  }
  EXPECT_THAT(rejection({"fans", "--timeout"}), HasSubstr("--timeout"));
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
