#include "profiler/profiler_controller.h"
#include "tests/support/scoped_environment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tellwick {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

// Answers every run with one scripted result and records what it was asked.
class ScriptedRunner final : public os::ProcessRunner {
 public:
  struct Call {
    std::string path;
    std::vector<std::string> argv;
    std::vector<std::string> environment;
  };

  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment,
                                 const os::RunLimits&) override {
    calls.push_back({path, argv, environment});
    return output;
  }
  void start(const std::string& path, const std::vector<std::string>& argv,
             const std::vector<std::string>& environment, const os::RunLimits& limits,
             Completion done) override {
    done(run(path, argv, environment, limits));
  }
  void stopAll() override {}

  std::optional<std::string> output;
  std::vector<Call> calls;
};

class ProfilerControllerTest : public ::testing::Test {
 protected:
  ScriptedRunner runner_;
  std::vector<std::string> environment_ = {"PATH=/usr/bin"};
  ProfilerController controller_{runner_, environment_, Services::bluetooth()};
};

TEST_F(ProfilerControllerTest, RunsTheToolForItsServiceThroughTheShellInEnglish) {
  EXPECT_EQ(Services::bluetooth().name(), "SPBluetoothDataType");
  EXPECT_EQ(&Services::bluetooth(), &Services::bluetooth());

  environment_.push_back("LC_ALL=de_DE.UTF-8");
  runner_.output = "";
  controller_.run();

  ASSERT_EQ(runner_.calls.size(), 1u);
  const auto& call = runner_.calls[0];
  EXPECT_EQ(call.path, "/bin/bash");
  ASSERT_GE(call.argv.size(), 2u);
  EXPECT_THAT(std::vector<std::string>(call.argv.end() - 2, call.argv.end()),
              ElementsAre("-c", "system_profiler SPBluetoothDataType"));
  EXPECT_THAT(call.environment, Contains("LC_ALL=en_US.UTF-8"));
  EXPECT_THAT(call.environment, Not(Contains("LC_ALL=de_DE.UTF-8")));
  EXPECT_THAT(call.environment, Contains("PATH=/usr/bin"));
}

TEST_F(ProfilerControllerTest, ParsesTheReportOfASuccessfulRun) {
  runner_.output =
      "Bluetooth:\n"
      "\n"
      "      Connected:\n"
      "          Mouse:\n"
      "              Battery Level: 85%\n";
  OutputTree tree = controller_.run();
  ASSERT_EQ(tree.nodes().size(), 1u);
  const OutputNode& mouse = *tree.nodes()[0]->children()[0]->children()[0];
  EXPECT_EQ(mouse.name(), "Mouse");
  EXPECT_EQ(mouse.properties().value<std::string>("Battery Level"), "85%");
}

TEST_F(ProfilerControllerTest, FailedOrUnreadableRunGivesAnEmptyTree) {
  runner_.output = std::nullopt;  // not started, or a non-zero exit
  EXPECT_TRUE(controller_.run().nodes().empty());

  runner_.output = std::string("Bluetooth:\n  Name: \xFF\xFE\n");
  EXPECT_TRUE(controller_.run().nodes().empty());

  ProfilerController unknown(runner_, environment_, Service("SPNoSuchDataType"));
  runner_.output = "";
  EXPECT_TRUE(unknown.run().nodes().empty());
  EXPECT_EQ(runner_.calls.back().argv.back(), "system_profiler SPNoSuchDataType");
}

}  // namespace
}  // namespace tellwick
