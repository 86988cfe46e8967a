#include "platform/shell.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_process_runner.h"

namespace tellwick {
namespace {

TEST(ShellTest, RunsBashWithTheArgumentsInTheGivenEnvironmentWithAFixedLocale) {
  testing::FakeProcessRunner runner;
  runner.install("/bin/bash", "out");
  EXPECT_EQ(Shell::run(runner, {"LC_ALL=de_DE.ISO-8859-1", "KEPT=as is", "LC_ALL_X=1"}, {"-c", "nettop -L 1"}), "out");
  const auto& call = runner.calls().back();
  EXPECT_EQ(call.path, "/bin/bash");
  EXPECT_EQ(call.argv, (std::vector<std::string>{"/bin/bash", "-c", "nettop -L 1"}));
  EXPECT_EQ(call.environment, (std::vector<std::string>{"KEPT=as is", "LC_ALL_X=1", "LC_ALL=en_US.UTF-8"}));
}

TEST(ShellTest, RunFailsOnExitAndRunTextAlsoOnAnythingButWellFormedUtf8) {
  testing::FakeProcessRunner runner;
  EXPECT_EQ(Shell::run(runner, {}, {"-c", "x"}), std::nullopt) << "shell cannot start";
  const struct {
    std::string output;
    int status = 0;
    bool utf8 = true;
  } cases[] = {
      {"some output", 1, true},
      {""},
      {"caf\xC3\xA9"},
      {"\xC0\xAF", 0, false},  // the sequences are os/utf8_test.cc's
  };
  for (const auto& c : cases) {
    runner.install("/bin/bash", c.output, c.status);
    auto expected = c.status ? std::nullopt : std::optional<std::string>(c.output);
    EXPECT_EQ(Shell::run(runner, {}, {"-c", "x"}), expected) << ::testing::PrintToString(c.output);
    EXPECT_EQ(Shell::runText(runner, {}, {"-c", "x"}), c.utf8 ? expected : std::nullopt);
  }
}

}  // namespace
}  // namespace tellwick
