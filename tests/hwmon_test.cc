// The hwmon path of a PC or a non-Apple laptop against lm-sensors on the
// same device tree: every temperature, voltage and current reading that
// `sensors -j` prints is in the helper's answer, named by chip and label,
// with the same value. Runs under umockdev-wrapper; each test lays its own
// tree, which `sensors` sees too, as it inherits the preload.

#include <dlfcn.h>
#include <gmock/gmock.h>

#include <cerrno>
#include <cstdio>
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
#include "tests/umockdev_testbed.h"

namespace {

// Attribute reads that fail as a driver makes them fail, keyed by the path
// libsensors opens.
std::map<std::string, int>& faults() {
  static std::map<std::string, int> table;
  return table;
}

ssize_t failingRead(void* cookie, char*, size_t) {
  errno = *static_cast<int*>(cookie);
  return -1;
}

}  // namespace

// libsensors reads each value with fopen and fscanf; this process's fopen
// comes before the preload's, so it can fail the paths listed in faults()
// and hand every other to umockdev.
extern "C" FILE* fopen(const char* path, const char* mode) {
  using Open = FILE* (*)(const char*, const char*);
  static const auto next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "fopen"));
  if (path != nullptr) {
    auto fault = faults().find(path);
    if (fault != faults().end()) {
      return fopencookie(&fault->second, "r", {failingRead, nullptr, nullptr, nullptr});
    }
  }
  return next(path, mode);
}

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

// What `sensors -j` prints for the tree, its *_input readings of
// temperatures, voltages and currents named as the helper names them: the
// driver's name and the label, or the full chip name where two chips share
// a driver. Invalid bytes in labels are read as U+FFFD.
Readings lmSensors() {
  std::unique_ptr<FILE, decltype(&pclose)> pipe(
      popen(("sensors -j -c '" + kConfig + "' 2>/dev/null").c_str(), "r"), &pclose);
  std::string output;
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
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

class HwmonTest : public ::testing::Test {
 protected:
  void TearDown() override { faults().clear(); }

  // Opens the sensors as the helper does at start.
  void open() {
    auto opening = os::newLinuxHidEventSystem(kConfig);
    ASSERT_TRUE(opening) << opening.error();
    system_ = std::move(*opening);
    reader_.emplace(*system_);
    controller_.emplace(model_, center_, *reader_);
  }

  // One sensor request's answer.
  Readings answer() {
    controller_->updateSensors();
    Readings readings;
    for (const auto& sensor : model_.sensors().value_or(std::vector<Sensor>{})) {
      EXPECT_TRUE(readings.emplace(sensor.description, milli(sensor.value.value())).second)
          << "two sensors named " << sensor.description;
    }
    return readings;
  }

  FakeHelperDataModel model_;
  FakeNotificationCenter center_;
  std::unique_ptr<os::HidEventSystem> system_;
  std::optional<NativeSensorController> reader_;
  std::optional<AppleSensorController> controller_;
};

TEST_F(HwmonTest, EveryReadingOfLmSensorsIsInTheAnswerUnderItsChipAndLabel) {
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
    open();
    const Readings ours = answer();
    EXPECT_EQ(ours, lmSensors());
    for (const auto& name : machine.spotChecks) EXPECT_TRUE(ours.contains(name)) << name;
    system_.reset();
  }
}

// A reading that cannot be taken costs that reading only: never the whole
// answer, never a 0 or an earlier value in its place.
TEST_F(HwmonTest, AFailingAttributeLeavesOutItsReadingOnly) {
  Testbed bed(kFixtures + "laptop.umockdev");
  open();
  Readings expected = answer();
  ASSERT_EQ(expected.erase("nvme Composite"), 1u);
  faults()["/sys/class/hwmon/hwmon2/temp1_input"] = ENODATA;  // a drive asleep
  EXPECT_EQ(answer(), expected);
}

}  // namespace
}  // namespace tellwick::testing
