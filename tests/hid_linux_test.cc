// The Linux event system over a real hwmon tree: runs under
// `umockdev-run --device tests/fixtures/hid/arm64-hwmon.umockdev`, which
// redirects /sys to the fixture, so libsensors reads real files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hidsensors/apple_sensor_controller.h"
#include "hidsensors/native_sensor_controller.h"
#include "os/hid_event_system.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/hid_event_system_contract.h"

namespace tellwick::testing {
namespace {

const std::string kFixtures = std::string(TELLWICK_FIXTURES_DIR) + "/hid/";

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The hwmon directory of the chip called name, found as libsensors finds it.
std::filesystem::path chipDirectory(const std::string& name) {
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/hwmon")) {
    if (readFile(entry.path() / "name") == name + "\n") return entry.path();
  }
  ADD_FAILURE() << "no hwmon chip " << name << " (not running under umockdev-run?)";
  return {};
}

// Opens the Linux system over the fixture; writes to sysfs attributes are
// undone when the world goes, as the tree is shared by every test.
class LinuxWorld final : public HidEventSystemWorld {
 public:
  explicit LinuxWorld(const std::string& config) {
    auto opening = os::newLinuxHidEventSystem(config);
    EXPECT_TRUE(opening) << opening.error();
    if (opening) system_ = std::move(*opening);
  }
  ~LinuxWorld() override {
    system_.reset();
    for (const auto& [path, contents] : saved_) std::ofstream(path) << contents;
  }

  os::HidEventSystem& system() override { return *system_; }
  void setTemperature(const std::string& product, double celsius) override {
    write(inputOf(product), std::to_string(static_cast<long>(celsius * 1000)) + "\n");
  }
  void breakTemperature(const std::string& product) override { write(inputOf(product), ""); }

 private:
  static std::filesystem::path inputOf(const std::string& product) {
    static const std::map<std::string, std::pair<std::string, std::string>> kChannels = {
        {"cpu_thermal temp1", {"cpu_thermal", "temp1_input"}},
        {"nvme Composite", {"nvme", "temp1_input"}},
        {"nvme Sensor 1", {"nvme", "temp2_input"}},
        {"nvme Sensor 2", {"nvme", "temp3_input"}},
    };
    const auto& [chip, attribute] = kChannels.at(product);
    return chipDirectory(chip) / attribute;
  }
  void write(const std::filesystem::path& path, const std::string& contents) {
    saved_.try_emplace(path, readFile(path));
    std::ofstream(path) << contents;
  }

  std::unique_ptr<os::HidEventSystem> system_;
  std::map<std::filesystem::path, std::string> saved_;
};

INSTANTIATE_TEST_SUITE_P(
    Linux, HidEventSystemContract,
    ::testing::Values(HidEventSystemWorldFactory{
        "Linux", [] { return std::make_unique<LinuxWorld>(kFixtures + "empty-sensors.conf"); }}),
    [](const auto& info) { return info.param.name; });

TEST(LinuxHidEventSystemTest, UserConfigurationRelabelsHidesAndScalesChannels) {
  std::vector<std::string> warnings;
  auto opening = os::newLinuxHidEventSystem(kFixtures + "custom-sensors.conf", &warnings);
  ASSERT_TRUE(opening) << opening.error();
  EXPECT_THAT(warnings, ::testing::IsEmpty());
  NativeSensorController reader(**opening);

  EXPECT_THAT(*reader.thermalNames(),
              ::testing::UnorderedElementsAre("cpu_thermal temp1", "nvme Composite", "nvme Flash"));
  EXPECT_THAT(*reader.voltageNames(), ::testing::ElementsAre("ina226 VBUS"));
  EXPECT_THAT(*reader.refreshVoltageSensors(),
              ::testing::ElementsAre(::testing::Optional(::testing::DoubleNear(10.168, 1e-9))));
}

TEST(LinuxHidEventSystemTest, OpeningReportsConfigurationProblemsAndOneOwnerAtATime) {
  const auto missing = os::newLinuxHidEventSystem(kFixtures + "no-such.conf");
  EXPECT_FALSE(missing);
  EXPECT_THAT(missing.error(), ::testing::HasSubstr("no-such.conf: No such file or directory"));

  // A bad line is skipped, as the command-line tools do, and reported.
  std::vector<std::string> warnings;
  auto broken = os::newLinuxHidEventSystem(kFixtures + "broken-sensors.conf", &warnings);
  ASSERT_TRUE(broken) << broken.error();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_THAT(warnings[0], ::testing::MatchesRegex(".*broken-sensors.conf:[0-9]+: .+"));

  const auto second = os::newLinuxHidEventSystem(kFixtures + "empty-sensors.conf");
  EXPECT_FALSE(second);
  EXPECT_THAT(second.error(), ::testing::HasSubstr("already open"));

  broken->reset();
  EXPECT_TRUE(os::newLinuxHidEventSystem(kFixtures + "empty-sensors.conf"));
}

TEST(LinuxHidEventSystemTest, AppleSensorControllerReportsTheMachineSortedByDescription) {
  auto opening = os::newLinuxHidEventSystem(kFixtures + "empty-sensors.conf");
  ASSERT_TRUE(opening) << opening.error();
  NativeSensorController reader(**opening);
  FakeHelperDataModel model;
  FakeNotificationCenter center;
  AppleSensorController controller(model, center, reader);

  controller.updateSensors();

  const auto sensors = model.sensors().value();
  std::vector<std::string> descriptions;
  std::map<std::string, std::string> identifierOf;
  std::map<std::string, double> valueOf;
  for (const auto& s : sensors) {
    descriptions.push_back(s.description);
    identifierOf[s.description] = s.identifier;
    valueOf[s.description] = s.value.value();
  }
  EXPECT_THAT(descriptions,
              ::testing::ElementsAre("cpu_thermal temp1", "ina226 curr1", "ina226 in1",
                                     "nvme Composite", "nvme Sensor 1"));
  EXPECT_EQ(identifierOf["ina226 curr1"], "appleCurrent001");
  EXPECT_EQ(identifierOf["ina226 in1"], "appleVoltage001");
  EXPECT_LT(identifierOf["nvme Composite"], identifierOf["nvme Sensor 1"]);
  EXPECT_DOUBLE_EQ(valueOf["ina226 curr1"], 1.25);
  EXPECT_DOUBLE_EQ(valueOf["nvme Composite"], 38.85);
  // Its reading fails: left out, not shown as 0.
  EXPECT_FALSE(identifierOf.contains("nvme Sensor 2"));
  EXPECT_EQ(center.postedNames(), std::vector<std::string>{"ResponseSensors"});
}

}  // namespace
}  // namespace tellwick::testing
