#include "traffic/network_controller.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_main_queue.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_process_runner.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// One line per process: pid, name, bytes in, bytes out.
std::string text(const std::vector<ProcessTrafficInfo>& infos) {
  std::string out;
  for (const auto& i : infos) {
    out += std::to_string(i.pid()) + " " + i.name() + " " + std::to_string(i.received()) + " " +
           std::to_string(i.sent()) + "\n";
  }
  return out;
}

std::string parse(std::string_view sample) { return text(parseTrafficSample(sample)); }

class NetworkControllerTest : public ::testing::Test {
 protected:
  void toolPrints(const std::string& output, int exitStatus = 0) { runner_.install("/bin/bash", output, exitStatus); }

  testing::Journal journal_;
  testing::FakeHelperDataModel model_{&journal_};
  testing::FakeNotificationCenter center_{&journal_};
  testing::FakeProcessRunner runner_;
  std::vector<std::string> environment_ = {"PATH=/usr/bin"};
  NetworkController controller_{model_, center_, runner_, environment_};
};

TEST_F(NetworkControllerTest, StoresTheSampleThenRespondsAndAFailedRunKeepsThePreviousOne) {
  toolPrints(",bytes_in,bytes_out,\nlaunchd.1,120,80,\nalpha.beta.agent.812,5,0,\n");
  controller_.updateTraffic();
  EXPECT_THAT(runner_.calls()[0].argv,
              ElementsAre("/bin/bash", "-c", "nettop -L 1 -P -x -J bytes_in,bytes_out"));
  EXPECT_EQ(text(*model_.traffic()), "1 launchd 120 80\n812 alpha.beta.agent 5 0\n");
  EXPECT_THAT(journal_, ElementsAre("setTraffic", "post ResponseTraffic"));

  toolPrints(",bytes_in,bytes_out,\nnew.8,1,2,\n", 1);
  controller_.updateTraffic();
  EXPECT_EQ(model_.writes(), 1);
  EXPECT_EQ(center_.postedNames(), std::vector<std::string>(2, "ResponseTraffic"));
}

// One child at a time, however many requests: each still gets its response,
// and those that came during a run get a sample taken after they came.
TEST(NetworkControllerRuns, RequestsDuringARunShareTheNextRun) {
  testing::FakeHelperDataModel model;
  testing::FakeNotificationCenter center;
  testing::FakeMainQueue queue;
  testing::FakeProcessRunner runner(&queue);
  const std::vector<std::string> environment;
  NetworkController controller(model, center, runner, environment);
  int sample = 0;
  runner.install("/bin/bash", [&](const testing::FakeProcessRunner::Call&) {
    return testing::FakeProcessRunner::Outcome{"h\nrun." + std::to_string(++sample) + ",1,1,\n"};
  });

  for (int i = 0; i < 4; ++i) controller.updateTraffic();
  EXPECT_EQ(runner.calls().size(), 1u);
  EXPECT_TRUE(center.posted().empty()) << "nothing is answered before the run ends";
  queue.runAll();

  EXPECT_EQ(runner.calls().size(), 2u);
  EXPECT_EQ(center.postedNames(), std::vector<std::string>(4, "ResponseTraffic"));
  EXPECT_EQ(model.traffic()->at(0).pid(), 2u);
}

// The first line is dropped, names end at the last dot, numbers are
// unsigned decimals with an optional plus, and a carriage return before a
// line feed does not end a line.
TEST(TrafficSampleParsing, ReadsTheToolsLinesAndSkipsBadOnes) {
  const std::pair<const char*, const char*> kSamples[] = {
      {"first.1,1,1,\n\n\nlate.3,3,4,\n\n.812,1,2,\n12,3,4,\na..b.5,0,0,", "3 late 3 4\n812  1 2\n12  3 4\n5 a..b 0 0\n"},
      {"h\napp.+13,+18446744073709551615,0\n", "13 app 18446744073709551615 0\n"},
      {"h\napp.12,,7,\napp.x1,3,4,\napp.-3,3,4,\napp.5,+,2,\napp.5,++1,2,\napp.5,0x1,2,\n"
       "app.18446744073709551616,1,1,\napp.5,1\n", ""},
      {"header\r\nx.1,1,1,\n", ""},
      {"h\nx.1,2,3\r\ny.2,4,5,\n", ""},  // bytes out would be "3\r\ny.2"
      {"h\r\n\nx.1,2,3,\r\n", "1 x 2 3\n"},
  };
  for (const auto& [sample, records] : kSamples) EXPECT_EQ(parse(sample), records) << sample;
}

}  // namespace
}  // namespace tellwick
