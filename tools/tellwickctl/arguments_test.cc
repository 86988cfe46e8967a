#include "tools/tellwickctl/arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tellwick::ctl {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

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
      {{"batteries", "--timeout=86400"}, "query", "batteries ", false, 86400000},
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
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "no command"}, {{"temperatures"}, "'temperatures'"}, {{"fans", "sensors"}, "one command"},
      {{"fans", "--verbose"}, "'--verbose'"}, {{"terminate", "--json"}, "--json"}, {{"fans", "--timeout"}, "--timeout"},
      {{"fans", "--timeout", "0"}, "--timeout"}, {{"fans", "--timeout", "1s"}, "--timeout"},
      {{"fans", "--timeout", "nan"}, "--timeout"}, {{"fans", "--timeout", "86401"}, "--timeout"},
  };
  for (const auto& [arguments, reason] : cases) {
    auto result = parseArguments(arguments);
    EXPECT_FALSE(result.invocation.has_value()) << reason;
    EXPECT_THAT(result.error, HasSubstr(reason));
  }
}

// The usage text is built from the tables: the query first, then the subcommands.
TEST(ParseArgumentsTest, UsageListsEveryCommand) {
  EXPECT_THAT(usage(), StartsWith("usage: tellwickctl sensors|fans|traffic|batteries|all [--json] [--timeout SECONDS]\n"
                                  "       tellwickctl terminate [--timeout SECONDS]\n"));
}

}  // namespace
}  // namespace tellwick::ctl
