#include "tools/tellwickctl/watch/helper_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/helper_notifications.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_session_bus.h"

namespace tellwick::watch {
namespace {

using namespace std::chrono_literals;

// Every interval asks each category that has answered, batteries only every
// kBatteriesEvery. The helper's name is looked up only when something went
// unanswered; a helper that was gone is asked for everything on its return.
// A wait ends with the first answer.
TEST(HelperClientTest, BatteriesAreAskedForEveryHalfMinuteTheOthersEveryInterval) {
  testing::FakeSessionBus bus;
  testing::FakeHelperDataModel store;
  auto helperRuns = [&](bool runs) {
    for (Panel c : {Panel::sensors, Panel::batteries}) {
      bus.center().removeObserver(&bus, std::string(category(c).request));
      if (runs) bus.answer(std::string(category(c).request), {std::string(category(c).response)});
    }
    bus.names().owned().clear();
    if (runs) bus.names().owned().insert(std::string(kHelperBusName));
  };
  helperRuns(true);
  HelperClient client(bus, store, {Panel::sensors, Panel::batteries}, 15s);
  const auto start = HelperClient::Clock::now();
  auto interval = [&](HelperClient::Clock::duration at) {
    const std::size_t before = bus.center().posted().size();
    client.request(start + at);
    for (int answers = 0; answers < 2 && !client.idle(); ++answers)
      client.wait(HelperClient::Clock::now() + 10s);
    const auto names = bus.center().postedNames();
    return std::vector<std::string>(names.begin() + static_cast<long>(before), names.end());
  };
  const std::vector<std::string> both = {"RequestSensors", "RequestBatteries"},
                                 sensors = {"RequestSensors"};
  EXPECT_EQ(interval(0s), both);
  EXPECT_TRUE(bus.timeoutsPassed().empty()) << "a wait ends as soon as an answer arrives";
  EXPECT_EQ(interval(1s), sensors);
  EXPECT_EQ(interval(29s), sensors);
  EXPECT_EQ(interval(30s), both);
  EXPECT_EQ(interval(31s), sensors);
  helperRuns(false);
  EXPECT_EQ(interval(32s), sensors) << "everything was answered: the bus is not asked";
  EXPECT_EQ(interval(33s), std::vector<std::string>{});
  EXPECT_FALSE(client.answering());
  helperRuns(true);
  EXPECT_EQ(interval(34s), both);
  EXPECT_TRUE(client.answering());
}

}  // namespace
}  // namespace tellwick::watch
