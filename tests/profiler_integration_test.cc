// The battery request end to end: the built helper runs the Linux
// system_profiler, which reads python3-dbusmock's BlueZ on a private system
// bus, with earbuds' advertisements added as a real BlueZ adds them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "os/process/process_runner.h"
#include "platform/shell.h"
#include "tests/support/helper_fixture.h"
#include "tests/support/mock_bluez.h"

namespace tellwick::testing {
namespace {

using ::testing::ElementsAreArray;

constexpr const char* kBuds = "device 00:1A:7D:DA:71:13 Buds --battery 70 --connected --icon audio-headphones "
                              "--modalias bluetooth:v004Cp200Ed0001";
constexpr const char* kAdvertiser = "5A:16:2B:91:D1:CD";
// Published advertisements of model 0x200E: left bud primary, left 60 %,
// right 70 %, case not known; right bud primary, left 90 %, right 100 % and
// charging, case 80 %.
constexpr const char* kLeftPrimary = "4c000719010e202b768f02000500000000000000000000000000000000";
constexpr const char* kRightPrimary = "4c000719010e20519a983300040c14e0eb433f4b22c0a9edcb33e70971";

struct EarbudsCase {
  const char* name;
  std::vector<std::string> bluez;  // mock_bluez.py commands after the adapter
  std::vector<std::string> expected;  // the stored devices, as described() gives them
  const char* discoveryCalls;  // "StartDiscovery StopDiscovery" counts; nullptr: BlueZ is gone
  double rememberedAge = -1;  // when >= 0, the advertisement's bytes were first seen this long ago
};

void PrintTo(const EarbudsCase& c, std::ostream* os) { *os << c.name; }

std::string advertise(const char* hex, int rssi = -50, const char* address = kAdvertiser) {
  return std::string("advertise ") + address + " " + hex + " --rssi " + std::to_string(rssi);
}

const EarbudsCase kCases[] = {
    {"a pair and its advertisement", {kBuds, advertise(kLeftPrimary)}, {"double Buds 60/70"}, "0 0"},
    {"a closed case",
     {"device 00:1A:7D:DA:71:14 Pods --battery 70 --connected --modalias bluetooth:v004Cp2030d0001",
      advertise("4c00071901302055a9b95a00047e88a73554c234414c46ec239ebda614")},
     {"single Charging Case 90", "double Pods 100/90 charging"}, "0 0"},
    {"two pairs of its model in range: the stronger",
     {kBuds, advertise(kRightPrimary, -80), advertise(kLeftPrimary, -40, "6B:00:00:00:00:01")},
     {"double Buds 60/70"}, "0 0"},
    {"found by discovery", {kBuds, std::string("advertise-on-discovery ") + kAdvertiser + " " + kRightPrimary},
     {"single Charging Case 80", "double Buds 90/100 charging"}, "1 1"},
    {"older than a minute: discovery, then the one level",
     {kBuds, advertise(kLeftPrimary)}, {"single Buds 70"}, "1 1", 61},
    {"BlueZ without a discovery filter",
     {kBuds, "no-filter", std::string("advertise-on-discovery ") + kAdvertiser + " " + kLeftPrimary},
     {"double Buds 60/70"}, "1 1"},
    {"someone else's discovery stays on", {kBuds, "discovering"}, {"single Buds 70"}, "0 0"},
    {"discovery refused", {kBuds, "refuse-discovery NotReady"}, {"single Buds 70"}, "1 0"},
    {"BlueZ gone mid-run", {kBuds, "refuse-discovery vanish"}, {"single Buds 70"}, nullptr},
};

class EarbudsTest : public HelperTest, public ::testing::WithParamInterface<EarbudsCase> {
 protected:
  std::vector<std::string> described() {
    std::vector<std::string> out;
    for (const auto& d : store().singleBatteryDevices().value_or(SingleBatteryDevices{})) {
      out.push_back("single " + d->name() + " " + std::to_string(d->batteryLevel().value_or(0)) +
                    (d->isCharging() ? " charging" : ""));
    }
    for (const auto& d : store().doubleBatteryDevices().value_or(DoubleBatteryDevices{})) {
      auto level = [](const auto& l) { return l ? std::to_string(*l) : std::string("-"); };
      out.push_back("double " + d->name() + " " + level(d->firstLevel()) + "/" + level(d->secondLevel()) +
                    (d->isCharging() ? " charging" : ""));
    }
    return out;
  }
};

TEST_P(EarbudsTest, LevelsComeFromTheFreshestAdvertisementOfTheModel) {
  const EarbudsCase& c = GetParam();
  MockBluez bluez("adapter");
  ASSERT_TRUE(bluez.ready());
  for (const auto& command : c.bluez) ASSERT_TRUE(bluez.script(command)) << command;
  auto environment = helperEnvironment();
  environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + bluez.address());
  if (c.rememberedAge >= 0) {
    environment.push_back("XDG_RUNTIME_DIR=" + scratch_.string());
    const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::ofstream(scratch_.string() + "/tellwick-advertisements")
        << std::to_string(now - c.rememberedAge) << " /org/bluez/hci0/dev_5A_16_2B_91_D1_CD "
        << std::string(kLeftPrimary).substr(4) << "\n";
  }
  auto helper = startHelper(false, environment);
  watch("ResponseBatteries");
  post("RequestBatteries");
  ASSERT_TRUE(waitFor("ResponseBatteries", 1));
  EXPECT_THAT(described(), ElementsAreArray(c.expected));
  if (c.discoveryCalls) {
    auto calls = *bluez.script("calls StartDiscovery") + *bluez.script("calls StopDiscovery");
    std::replace(calls.begin(), calls.end(), '\n', ' ');
    EXPECT_EQ(calls, std::string(c.discoveryCalls) + " ");
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, EarbudsTest, ::testing::ValuesIn(kCases));

// Without BlueZ the report is its title; a BlueZ that refuses to answer
// and a missing system bus fail with one line.
TEST(LinuxSystemProfilerTest, SaysWhenBlueZOrTheBusIsMissing) {
  auto runner = os::newLinuxProcessRunner();
  auto run = [&] {
    return Shell::run(*runner, environmentSnapshot(),
                      {"-c", std::string(TELLWICK_BIN_DIR) + "/system_profiler SPBluetoothDataType 2>&1; echo $?"})
        .value_or("");
  };
  {
    MockBluez bus("none");
    ASSERT_TRUE(bus.ready());
    EXPECT_EQ(run(), "Bluetooth:\n0\n");
    bus.start("adapter");
    ASSERT_TRUE(bus.script("refuse-objects"));
    EXPECT_EQ(run(), "system_profiler: cannot read BlueZ: refused\n1\n");
  }
  ScratchDirectory scratch;
  ScopedEnvironmentVariable address("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + scratch.string() + "/no-such-socket");
  const std::string out = run();
  EXPECT_TRUE(out.starts_with("system_profiler: cannot connect to the system bus")) << out;
  EXPECT_TRUE(out.ends_with("\n1\n") && std::count(out.begin(), out.end(), '\n') == 2) << out;
}

}  // namespace
}  // namespace tellwick::testing
