#include "tools/tellwickctl/arguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tellwick::ctl {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Each parsed command line as "command categories json timeout help".
TEST(ParseArgumentsTest, AcceptsEachCommandWithOptionsInAnyOrder) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"fans"}, "query fans  0 10000 0"},
      {{"--json", "all", "--timeout", "2.5"}, "query sensors fans traffic batteries  1 2500 0"},
      {{"batteries", "--timeout=86400"}, "query batteries  0 86400000 0"},
      {{"terminate"}, "terminate  0 10000 0"}, {{"sensors", "--help"}, "  0 10000 1"},
  };
  for (const auto& [arguments, expected] : cases) {
    auto result = parseArguments(arguments);
    ASSERT_TRUE(result.invocation.has_value()) << result.error;
    const Invocation& got = *result.invocation;
    std::string line(!got.command ? "" : got.command == &kQuery ? "query" : got.command->name);
    for (const Category* category : got.categories) line += " " + std::string(category->name);
    EXPECT_EQ(line + "  " + std::to_string(got.json) + " " + std::to_string(got.timeout.count()) + " " +
                  std::to_string(got.help),
              expected);
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

}  // namespace
}  // namespace tellwick::ctl
