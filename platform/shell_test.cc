#include "platform/shell.h"

#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

TEST_F(ShellTest, RunsBashWithTheArgumentsInTheEnvironmentWithAFixedLocale) {
  testing::ScopedEnvironmentVariable lcAll("LC_ALL", "de_DE.ISO-8859-1");
  testing::ScopedEnvironmentVariable kept("TELLWICK_SHELL_TEST", "kept as is");
  runner_.install("/bin/bash", "out");

  EXPECT_EQ(Shell::run(runner_, {"-c", "nettop -L 1"}), "out");

  ASSERT_EQ(runner_.calls().size(), 1u);
  const auto& call = runner_.calls()[0];
  EXPECT_EQ(call.path, "/bin/bash");
  EXPECT_EQ(call.argv, (std::vector<std::string>{"/bin/bash", "-c", "nettop -L 1"}));
  const auto& env = call.environment;
  EXPECT_EQ(std::count_if(env.begin(), env.end(),
                          [](const std::string& e) { return e.starts_with("LC_ALL="); }),
            1);
  EXPECT_NE(std::find(env.begin(), env.end(), "LC_ALL=en_US.UTF-8"), env.end());
  EXPECT_NE(std::find(env.begin(), env.end(), "TELLWICK_SHELL_TEST=kept as is"), env.end());

  testing::ScopedEnvironmentVariable noLcAll("LC_ALL", std::nullopt);
  Shell::run(runner_, {"-c", "true"});
  const auto& added = runner_.calls()[1].environment;
  EXPECT_NE(std::find(added.begin(), added.end(), "LC_ALL=en_US.UTF-8"), added.end());
}

TEST_F(ShellTest, FailuresAreAbsentForBothForms) {
  EXPECT_EQ(Shell::run(runner_, {"-c", "x"}), std::nullopt) << "shell cannot start";
  EXPECT_EQ(Shell::runText(runner_, {"-c", "x"}), std::nullopt);
  runner_.install("/bin/bash", "some output", 1);
  EXPECT_EQ(Shell::run(runner_, {"-c", "x"}), std::nullopt) << "non-zero exit";
  EXPECT_EQ(Shell::runText(runner_, {"-c", "x"}), std::nullopt);
}

TEST_F(ShellTest, RunTextAcceptsOnlyWellFormedUtf8) {
  const std::string valid[] = {
      "",
      "plain ascii,1,2,\n",
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",  // 2, 3 and 4 byte forms
      "\xEF\xBF\xBF\xF4\x8F\xBF\xBF",             // U+FFFF, U+10FFFF
      "nul\0inside"s,
  };
  for (const auto& text : valid) {
    runner_.install("/bin/bash", text);
    EXPECT_EQ(Shell::runText(runner_, {"-c", "x"}), text);
  }
  const std::string invalid[] = {
      "\x80",              // stray continuation byte
      "\xC3",              // truncated at the end
      "\xC3(",             // truncated before ASCII
      "\xC0\xAF",          // overlong "/"
      "\xE0\x80\xAF",      // overlong three-byte form
      "\xED\xA0\x80",      // UTF-16 surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xFF",
  };
  for (const auto& bytes : invalid) {
    runner_.install("/bin/bash", "ok " + bytes + " ok");
    EXPECT_EQ(Shell::run(runner_, {"-c", "x"}), "ok " + bytes + " ok");
    EXPECT_EQ(Shell::runText(runner_, {"-c", "x"}), std::nullopt) << ::testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace tellwick
