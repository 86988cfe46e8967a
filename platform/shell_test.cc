#include "platform/shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/fakes/fake_process_runner.h"
#include "tests/support/scoped_environment.h"

namespace tellwick {
namespace {

using namespace std::string_literals;
using testing::FakeProcessRunner;

class ShellTest : public ::testing::Test {
 protected:
  FakeProcessRunner runner_;
};

TEST_F(ShellTest, RunsBashWithTheArgumentsInTheGivenEnvironmentWithAFixedLocale) {
  runner_.install("/bin/bash", "out");
  struct Case {
    std::vector<std::string> given;
    std::vector<std::string> handedOn;
  } const cases[] = {
      {{"LC_ALL=de_DE.ISO-8859-1", "KEPT=as is", "LC_ALL_X=1"},
       {"KEPT=as is", "LC_ALL_X=1", "LC_ALL=en_US.UTF-8"}},
      {{}, {"LC_ALL=en_US.UTF-8"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Shell::run(runner_, c.given, {"-c", "nettop -L 1"}), "out");
    const auto& call = runner_.calls().back();
    EXPECT_EQ(call.path, "/bin/bash");
    EXPECT_EQ(call.argv, (std::vector<std::string>{"/bin/bash", "-c", "nettop -L 1"}));
    EXPECT_EQ(call.environment, c.handedOn);
  }
}

TEST_F(ShellTest, EnvironmentOfCopiesEveryEntryOfEnvp) {
  const char* envp[] = {"A=1", "B=", nullptr};
  EXPECT_EQ(Shell::environmentOf(envp), (std::vector<std::string>{"A=1", "B="}));
  EXPECT_TRUE(Shell::environmentOf(nullptr).empty());
}

TEST_F(ShellTest, RunFailsOnExitAndRunTextAlsoOnAnythingButWellFormedUtf8) {
  EXPECT_EQ(Shell::run(runner_, {}, {"-c", "x"}), std::nullopt) << "shell cannot start";
  EXPECT_EQ(Shell::runText(runner_, {}, {"-c", "x"}), std::nullopt);
  const struct {
    std::string output;
    int status = 0;
    bool utf8 = true;
  } cases[] = {
      {"some output", 1, true},
      {""}, {"plain ascii,1,2,\n"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},  // 2, 3 and 4 byte forms
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF"},             // U+FFFF, U+10FFFF
      {"nul\0inside"s},
      {"\x80", 0, false},              // stray continuation byte
      {"\xC3", 0, false},              // truncated at the end
      {"\xC3(", 0, false},             // truncated before ASCII
      {"\xC0\xAF", 0, false},          // overlong "/"
      {"\xE0\x80\xAF", 0, false},      // overlong three-byte form
      {"\xED\xA0\x80", 0, false},      // UTF-16 surrogate
      {"\xF4\x90\x80\x80", 0, false},  // above U+10FFFF
      {"\xFF", 0, false},
  };
  for (const auto& c : cases) {
    runner_.install("/bin/bash", c.output, c.status);
    auto expected = c.status ? std::nullopt : std::optional<std::string>(c.output);
    EXPECT_EQ(Shell::run(runner_, {}, {"-c", "x"}), expected) << ::testing::PrintToString(c.output);
    EXPECT_EQ(Shell::runText(runner_, {}, {"-c", "x"}), c.utf8 ? expected : std::nullopt);
  }
}

}  // namespace
}  // namespace tellwick
