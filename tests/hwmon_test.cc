// The hwmon path of a PC or a non-Apple laptop: the event system's contract
// over the arm64 machine of tests/fixtures/hid/, and against lm-sensors on
// the same device tree: every temperature, voltage and current reading that
// `sensors -j` prints is in the answer, named by chip and label, with the
// same value. And the built helper over a tree that changes while it runs:
// chips that come and go, and an attribute that blocks its reader. Runs
// under umockdev-wrapper; each test lays its own tree, which `sensors` and
// the helper see too, as they inherit the preload.

#include <gmock/gmock.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "hidsensors/apple_sensor_controller.h"
#include "hidsensors/native_sensor_controller.h"
#include "os/sensors/hid_event_system.h"
#include "os/utf8.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/hid_event_system_contract.h"
#include "tests/support/helper_fixture.h"
#include "tests/umockdev_testbed.h"

namespace tellwick::testing {
namespace {

const std::string kFixtures = std::string(TELLWICK_FIXTURES_DIR) + "/hwmon/";
const std::string kConfig = kFixtures + "sensors.conf";

// Name to value as "%.3f", the precision `sensors -j` prints.
using Readings = std::map<std::string, std::string>;

std::string milli(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

Readings readingsOf(const std::vector<Sensor>& sensors) {
  Readings readings;
  for (const auto& sensor : sensors) {
    EXPECT_TRUE(readings.emplace(sensor.description, milli(sensor.value.value())).second)
        << "two sensors named " << sensor.description;
  }
  return readings;
}

// What `sensors -j` prints for the tree, its *_input readings of
// temperatures, voltages and currents named as the helper names them: the
// driver's name and the label, or the full chip name where two chips share
// a driver. Invalid bytes in labels are read as U+FFFD.
Readings lmSensors() {
  const auto [status, output] = runProgram({"/usr/bin/sensors", "-j", "-c", kConfig}, environmentSnapshot(), false);
  const auto document = nlohmann::json::parse(replaceInvalidUtf8(output, kReplacementCharacter));
  std::map<std::string, int> drivers;
  for (const auto& [chip, features] : document.items()) ++drivers[chip.substr(0, chip.find('-'))];
  static const std::regex kInput("(temp|in|curr)[0-9]+_input");
  Readings readings;
  for (const auto& [chip, features] : document.items()) {
    const std::string driver = chip.substr(0, chip.find('-'));
    const std::string chipName = drivers[driver] > 1 ? chip : driver;
    for (const auto& [label, subfeatures] : features.items()) {
      if (!subfeatures.is_object()) continue;  // "Adapter"
      for (const auto& [name, value] : subfeatures.items()) {
        if (std::regex_match(name, kInput)) readings[chipName + " " + label] = milli(value);
      }
    }
  }
  return readings;
}

const std::string kHid = std::string(TELLWICK_FIXTURES_DIR) + "/hid/";

// The contract's machine: libsensors over the arm64 tree in a test bed of its own.
class Arm64Machine final : public os::HidEventSystem {
 public:
  std::unique_ptr<os::HidEventSystemClient> createClient() override { return system_.value()->createClient(); }

 private:
  Testbed bed_{kHid + "arm64-hwmon.umockdev"};
  os::Result<std::unique_ptr<os::HidEventSystem>> system_ = os::newLinuxHidEventSystem(kHid + "empty-sensors.conf");
};

INSTANTIATE_TEST_SUITE_P(Linux, HidEventSystemContract,
                         ::testing::Values([] { return std::make_unique<Arm64Machine>(); }));

TEST(LinuxHidEventSystemTest, OpeningReportsConfigurationProblemsAndOneOwnerAtATime) {
  const auto missing = os::newLinuxHidEventSystem(kHid + "no-such.conf");
  EXPECT_FALSE(missing);
  EXPECT_THAT(missing.error(), ::testing::HasSubstr("no-such.conf: No such file or directory"));

  // A bad line is skipped, as the command-line tools do, and reported.
  std::vector<std::string> warnings;
  auto broken = os::newLinuxHidEventSystem(kHid + "broken-sensors.conf", &warnings);
  ASSERT_TRUE(broken) << broken.error();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_THAT(warnings[0], ::testing::MatchesRegex(".*broken-sensors.conf:[0-9]+: .+"));

  const auto second = os::newLinuxHidEventSystem(kHid + "empty-sensors.conf");
  EXPECT_FALSE(second);
  EXPECT_THAT(second.error(), ::testing::HasSubstr("already open"));

  broken->reset();
  EXPECT_TRUE(os::newLinuxHidEventSystem(kHid + "empty-sensors.conf"));
}

TEST(HwmonTest, EveryReadingOfLmSensorsIsInTheAnswerUnderItsChipAndLabel) {
  struct Machine {
    const char* fixture;
    std::vector<std::string> spotChecks;  // a few names a person would look for
  } const machines[] = {
      {"laptop.umockdev", {"coretemp Package id 0", "BAT0 curr1", "i915 in0"}},
      {"desktop.umockdev", {"nct6798 Geh\xEF\xBF\xBDuse", "nvme-pci-0400 Composite"}},
  };
  for (const auto& machine : machines) {
    SCOPED_TRACE(machine.fixture);
    Testbed bed(kFixtures + machine.fixture);
    auto system = os::newLinuxHidEventSystem(kConfig);
    ASSERT_TRUE(system) << system.error();
    NativeSensorController reader(**system);
    FakeHelperDataModel model;
    FakeNotificationCenter center;
    AppleSensorController(model, center, reader).updateSensors();
    const Readings ours = readingsOf(model.sensors().value());
    EXPECT_EQ(ours, lmSensors());
    for (const auto& name : machine.spotChecks) EXPECT_TRUE(ours.contains(name)) << name;
  }
}

// The built helper in the desktop's tree, which this test changes under it.
class HwmonHelperTest : public HelperTest {
 protected:
  void SetUp() override {
    HelperTest::SetUp();
    auto environment = helperEnvironment();
    for (const char* name : {"UMOCKDEV_DIR", "LD_PRELOAD"}) {
      if (const char* value = std::getenv(name)) environment.push_back(std::string(name) + "=" + value);
    }
    helper_ = startHelper(false, environment);
    watch("ResponseSensors");
    watch("ResponseFans");
    watch("ResponseBatteries");
  }

  // Asks for one category and waits for its answer; how long it took.
  std::chrono::milliseconds ask(const std::string& category) {
    const auto asked = std::chrono::steady_clock::now();
    const int before = seen("Response" + category);
    post("Request" + category);
    EXPECT_TRUE(waitFor("Response" + category, before + 1, 10s)) << category;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
  }
  // The quickest of three answers: a loop that waits on a read is slow for
  // all of them, a busy machine only for some.
  std::chrono::milliseconds quickest(const std::string& category) {
    return std::min({ask(category), ask(category), ask(category)});
  }
  Readings sensors() {
    ask("Sensors");
    return readingsOf(store().sensors().value_or(std::vector<Sensor>{}));
  }
  std::vector<std::int64_t> fanSpeeds() {
    ask("Fans");
    std::vector<std::int64_t> speeds;
    for (const Fan& fan : store().fans().value_or(std::vector<Fan>{})) speeds.push_back(fan.rpm);
    return speeds;
  }

  Testbed bed_{kFixtures + "desktop.umockdev"};
  const std::string root_ = std::getenv("UMOCKDEV_DIR");
  std::unique_ptr<ChildProcess> helper_;
};

TEST_F(HwmonHelperTest, AChipThatComesOrGoesIsInTheNextAnswerAndOnlyThen) {
  const Readings start = sensors();
  const auto startFans = fanSpeeds();
  // Channels that appear without a word from udev are not looked for: no
  // chip came or went, so nothing is listed again.
  const std::string nct = root_ + "/sys/devices/platform/nct6775.656/hwmon/hwmon1/";
  std::ofstream(nct + "temp9_input") << "30000\n";
  std::ofstream(nct + "fan9_input") << "900\n";
  EXPECT_EQ(sensors(), start);
  EXPECT_EQ(fanSpeeds(), startFans);

  // A dock's chip, with a temperature and a fan; udev says "add".
  gchar* dock = umockdev_testbed_add_device(bed_.bed(), "hwmon", "hwmon9", nullptr, "name", "dock\n",
                                            "temp1_input", "41000\n", "fan1_input", "2100\n", nullptr, nullptr);
  Readings relisted = start;
  relisted["nct6798 temp9"] = "30.000";
  relisted["dock temp1"] = "41.000";
  EXPECT_EQ(sensors(), relisted) << "the chips already there keep their names";
  EXPECT_THAT(fanSpeeds(), ::testing::IsSupersetOf(startFans));
  EXPECT_THAT(fanSpeeds(), ::testing::IsSupersetOf({2100, 900}));

  umockdev_testbed_uevent(bed_.bed(), dock, "remove");
  umockdev_testbed_remove_device(bed_.bed(), dock);
  g_free(dock);
  relisted.erase("dock temp1");
  EXPECT_EQ(sensors(), relisted);
  EXPECT_EQ(fanSpeeds().size(), startFans.size() + 1);
}

TEST_F(HwmonHelperTest, AnAttributeThatBlocksCostsItsOwnReadingOnly) {
  const Readings start = sensors();
  // A FIFO that this test holds open for writing and never writes: its
  // reader blocks in read.
  const std::string attribute = root_ + "/sys/devices/platform/nct6775.656/hwmon/hwmon1/temp1_input";
  std::filesystem::remove(attribute);
  ASSERT_EQ(::mkfifo(attribute.c_str(), 0644), 0);
  const int writer = ::open(attribute.c_str(), O_RDWR);

  post("RequestSensors");
  EXPECT_LT(quickest("Fans"), 50ms);
  EXPECT_LT(quickest("Batteries"), 50ms);
  EXPECT_TRUE(waitFor("ResponseSensors", 2, 8s)) << "answered within the bound";
  Readings withoutIt = start;
  std::erase_if(withoutIt, [](const auto& entry) { return entry.first.starts_with("nct6798"); });
  EXPECT_EQ(readingsOf(store().sensors().value()), withoutIt) << "the chip's other readings wait behind it";
  EXPECT_LT(quickest("Sensors"), 50ms) << "a chip still blocked is not waited for again";

  const auto stopping = std::chrono::steady_clock::now();
  helper_->signal(SIGTERM);
  EXPECT_EQ(helper_->wait(5s), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 500ms);
  ::close(writer);
}

TEST_F(HwmonHelperTest, EachAnswerReadsItsChipsAnew) {
  Readings expected = sensors();
  EXPECT_THAT(fanSpeeds(), ::testing::Contains(1046));
  const std::string nct = root_ + "/sys/devices/platform/nct6775.656/hwmon/hwmon1/";
  std::ofstream(nct + "temp1_input") << "36500\n";
  std::ofstream(nct + "fan1_input") << "1234\n";
  expected["nct6798 SYSTIN"] = "36.500";
  EXPECT_EQ(sensors(), expected);
  EXPECT_THAT(fanSpeeds(), ::testing::AllOf(::testing::Contains(1234), ::testing::Not(::testing::Contains(1046))));
}

}  // namespace
}  // namespace tellwick::testing
