#include "app/app_delegate.h"

#include <gmock/gmock.h>

#include <memory>
#include <string>

#include "tests/fakes/fake_application.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/journal.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Journal;

// One object stands in for all four controllers and notes each call.
class RecordingController final : public IHelperController,
                                   public ISensorController,
                                   public IFanController,
                                   public INetworkController,
                                   public IBatteriesController {
 public:
  explicit RecordingController(Journal& journal) : journal_(journal) {}
  ISensorController& sensors() override { return *this; }
  IFanController& fans() override { return *this; }
  INetworkController& network() override { return *this; }
  IBatteriesController& batteries() override { return *this; }
  void updateSensors() override { journal_.push_back("updateSensors"); }
  void updateFans() override { journal_.push_back("updateFans"); }
  void updateTraffic() override { journal_.push_back("updateTraffic"); }
  void updateBatteries() override { journal_.push_back("updateBatteries"); }

 private:
  Journal& journal_;
};

class AppDelegateTest : public ::testing::Test {
 protected:
  AppDelegateTest()
      : center_(&journal_), delegate_(application_, center_, [this] { return claim(); }, [this] {
          journal_.push_back("build controller");
          return std::make_unique<RecordingController>(journal_);
        }) {}

  os::Status claim() {
    journal_.push_back("claim name, observing " + std::to_string(center_.registrations().size()));
    return nameTaken_ ? os::failure("another process already owns the bus name") : os::Status{};
  }

  bool nameTaken_ = false;
  Journal journal_;
  testing::FakeApplication application_;
  testing::FakeNotificationCenter center_;
  AppDelegate delegate_;
};

// Requests are heard before the name is claimed and "HelperStarted" goes
// out, so a client that asks on seeing either is answered; "HelperStopped"
// goes out while still listening.
TEST_F(AppDelegateTest, ServesEachRequestFromLaunchToTermination) {
  center_.deliver({"RequestFans", std::nullopt});
  EXPECT_EQ(delegate_.controller(), nullptr);
  delegate_.applicationDidFinishLaunching();
  EXPECT_THAT(journal_, ElementsAre("claim name, observing 5", "post HelperStarted", "build controller"));
  journal_.clear();

  // A sender's object changes nothing.
  for (const char* name : {"RequestFans", "RequestFans", "RequestSensors", "RequestTraffic", "RequestBatteries"}) {
    center_.deliver({name, "com.example.client"});
  }
  EXPECT_THAT(journal_, ElementsAre("updateFans", "updateFans", "updateSensors", "updateTraffic", "updateBatteries"));
  EXPECT_THAT(application_.terminateSenders(), IsEmpty());
  center_.deliver({"TerminateHelper", std::nullopt});
  EXPECT_THAT(application_.terminateSenders(), ElementsAre(&delegate_));

  journal_.clear();
  std::size_t observingWhenStopped = 0;
  center_.addObserver(this, "HelperStopped", std::nullopt,
                      [&](const os::Notification&) { observingWhenStopped = center_.registrations().size(); });
  delegate_.applicationWillTerminate();
  EXPECT_EQ(observingWhenStopped, 6u);
  EXPECT_THAT(journal_, ElementsAre("post HelperStopped"));
  EXPECT_EQ(center_.registrations().size(), 1u);  // only the test's own
}

TEST_F(AppDelegateTest, ATakenNameEndsLaunchUnannouncedAndTheStopUnannounced) {
  nameTaken_ = true;
  delegate_.applicationDidFinishLaunching();
  EXPECT_EQ(delegate_.launchFailure(), "another process already owns the bus name");
  EXPECT_THAT(application_.terminateSenders(), ElementsAre(&delegate_));
  delegate_.applicationWillTerminate();
  EXPECT_THAT(journal_, ElementsAre("claim name, observing 5"));
  EXPECT_EQ(delegate_.controller(), nullptr);
  EXPECT_TRUE(center_.registrations().empty());
}

}  // namespace
}  // namespace tellwick
