// The battery request end to end over real processes: scripted
// system_profilers on PATH, and the Linux system_profiler reading
// python3-dbusmock's BlueZ on a private system bus.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battery/batteries_controller.h"
#include "battery/shell_controller.h"
#include "os/process_runner.h"
#include "platform/shell.h"
#include "profiler/profiler_controller.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/mock_bluez.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::MockBluez;

using ScopedEnv = testing::ScopedEnvironmentVariable;
using testing::pathWithPrefix;
using testing::processEnvironment;

class ProfilerIntegrationTest : public ::testing::Test {
 protected:
  void fakeProfiler(const std::string& body) { scratch_.writeScript("system_profiler", body); }

  template <class List>
  static std::vector<std::string> serials(const std::optional<List>& devices) {
    std::vector<std::string> out;
    if (devices) {
      for (const auto& d : *devices) out.push_back(d->serial());
    }
    return out;
  }

  testing::ScratchDirectory scratch_{"profiler"};
  std::string dir_ = scratch_.string();
  std::unique_ptr<os::ProcessRunner> runner_ = os::newLinuxProcessRunner();
  testing::FakeHelperDataModel model_;
  testing::FakeNotificationCenter center_;
  testing::FakeResourceBundle bundle_;
  ProfilerController bluetooth_{*runner_, processEnvironment(), Services::bluetooth()};
  ShellController finder_{bluetooth_, bundle_};
  BatteriesController batteries_{model_, center_, finder_};
};

constexpr const char* kReport = R"(Bluetooth:

      Bluetooth Controller:
          Address: 00:11:22:33:44:55
          State: On
          Chipset: BCM_4387
      Connected:
          Studio Buds:
              Address: 00:1A:7D:DA:71:13
              Vendor ID: 0x004C
              Product ID: 0x200E
              Case Battery Level: 60%
              Left Battery Level: 100%
              Right Battery Level: 90%
              Firmware Version: 6A300
              Minor Type: Headphones
          Desk Keyboard:
              Address: AA:BB:CC:DD:EE:01
              Vendor ID: 0x05AC
              Product ID: 0x0267
              Minor Type: Keyboard
              Battery Level: 85%
          Desk Mouse:
              Address: aa:bb:cc:dd:ee:02
              Minor Type: Mouse
              Battery Level: 40%
      Not Connected:
          Travel Mouse:
              Address: AA:BB:CC:DD:EE:03
              Battery Level: 20%
)";

TEST_F(ProfilerIntegrationTest, ScriptedProfilerOnPathFillsBothListsInOrder) {
  // The report only comes out in English: the tool must see the override.
  fakeProfiler(std::string("[ \"$1\" = SPBluetoothDataType ] || exit 2\n"
                           "[ \"$LC_ALL\" = en_US.UTF-8 ] || exit 3\n"
                           "echo 'noise on stderr' >&2\n"
                           "cat <<'EOF'\n") +
               kReport + "EOF");
  ScopedEnv path("PATH", pathWithPrefix(dir_));
  ScopedEnv language("LC_ALL", "fr_FR.UTF-8");

  batteries_.updateBatteries();

  EXPECT_THAT(serials(model_.singleBatteryDevices()),
              ElementsAre("case_00-1a-7d-da-71-13", "aa-bb-cc-dd-ee-01", "aa-bb-cc-dd-ee-02"));
  EXPECT_THAT(serials(model_.doubleBatteryDevices()), ElementsAre("00-1a-7d-da-71-13"));
  const auto buds = model_.doubleBatteryDevices()->front();
  EXPECT_EQ(buds->firstLevel(), 100);
  EXPECT_EQ(buds->secondLevel(), 90);
  EXPECT_EQ((*model_.singleBatteryDevices())[1]->type(), DeviceType::keyboard);
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseBatteries"));
}

TEST_F(ProfilerIntegrationTest, FailedRunAfterAFullReportStoresEmptyListsAndAnswers) {
  fakeProfiler(std::string("cat <<'EOF'\n") + kReport + "EOF\nexit 1");
  ScopedEnv path("PATH", pathWithPrefix(dir_));
  batteries_.updateBatteries();
  ASSERT_TRUE(model_.singleBatteryDevices());
  ASSERT_TRUE(model_.doubleBatteryDevices());
  EXPECT_TRUE(model_.singleBatteryDevices()->empty());
  EXPECT_TRUE(model_.doubleBatteryDevices()->empty());
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseBatteries"));
}

TEST_F(ProfilerIntegrationTest, MissingToolGivesAnEmptyTree) {
  ScopedEnv path("PATH", dir_);
  ProfilerController profiler(*runner_, processEnvironment(), Services::bluetooth());
  EXPECT_TRUE(profiler.run().nodes().empty());
}

class LinuxSystemProfilerTest : public ProfilerIntegrationTest {
 protected:
  ScopedEnv path_{"PATH", pathWithPrefix(TELLWICK_BIN_DIR)};
  ProfilerController profiler_{*runner_, processEnvironment(), Services::bluetooth()};
};

TEST_F(LinuxSystemProfilerTest, ReportsBlueZDevicesAsAParsableTree) {
  MockBluez bluez("full");
  ASSERT_TRUE(bluez.ready());
  ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", bluez.address());

  OutputTree tree = profiler_.run();
  ASSERT_EQ(tree.nodes().size(), 1u);
  const OutputNode& root = *tree.nodes()[0];
  EXPECT_EQ(root.name(), "Bluetooth");
  ASSERT_EQ(root.children().size(), 2u);
  const OutputNode& adapter = *root.children()[0];
  EXPECT_EQ(adapter.name(), "Bluetooth Controller");
  EXPECT_EQ(adapter.properties().value<std::string>("Address"), "00:01:02:03:04:05");
  EXPECT_EQ(adapter.properties().value<std::string>("State"), "On");
  const OutputNode& connected = *root.children()[1];
  EXPECT_EQ(connected.name(), "Connected");
  std::vector<std::string> names;
  for (const auto& child : connected.children()) names.push_back(child->name());
  // The device after a drop to the group's depth lands beside the devices.
  EXPECT_THAT(names, ElementsAre("Tellwick Buds", "Tellwick Buds Case", "Tellwick Keyboard",
                                 "Not Connected"));
  const OutputNode& keyboard = *connected.children()[2];
  EXPECT_EQ(keyboard.properties().value<std::string>("Vendor ID"), "0x05AC");
  EXPECT_EQ(keyboard.properties().value<std::string>("Product ID"), "0x0267");
  EXPECT_EQ(keyboard.properties().value<std::string>("Minor Type"), "Keyboard");
  EXPECT_EQ(keyboard.properties().value<std::string>("Battery Level"), "85%");
  const OutputNode& mouse = *connected.children()[3]->children().at(0);
  EXPECT_EQ(mouse.name(), "Tellwick Mouse");
  EXPECT_FALSE(mouse.properties().contains("Battery Level"));

  batteries_.updateBatteries();
  EXPECT_THAT(serials(model_.singleBatteryDevices()),
              ElementsAre("00-1a-7d-da-71-13", "00-1a-7d-da-71-14", "aa-bb-cc-dd-ee-01"));
  EXPECT_THAT(serials(model_.doubleBatteryDevices()), ElementsAre());
  const SingleBatteryDevices singles = *model_.singleBatteryDevices();
  EXPECT_EQ(singles[0]->type(), DeviceType::headphones);
  EXPECT_EQ(singles[0]->batteryLevel(), 80);
  EXPECT_EQ(singles[0]->vendorId(), 0x004C);
  EXPECT_EQ(singles[1]->type(), DeviceType::undefined);
  EXPECT_EQ(singles[2]->type(), DeviceType::keyboard);
  EXPECT_EQ(singles[2]->productId(), 0x0267);
}

TEST_F(LinuxSystemProfilerTest, WithoutBlueZTheReportIsTheTitleAlone) {
  MockBluez bus("none");
  ASSERT_TRUE(bus.ready());
  ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", bus.address());
  OutputTree tree = profiler_.run();
  ASSERT_EQ(tree.nodes().size(), 1u);
  EXPECT_EQ(tree.nodes()[0]->name(), "Bluetooth");
  EXPECT_TRUE(tree.nodes()[0]->children().empty());
}

TEST_F(LinuxSystemProfilerTest, WithoutASystemBusItFailsWithOneLine) {
  ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir_ + "/no-such-socket");
  EXPECT_TRUE(profiler_.run().nodes().empty());

  std::string command = std::string(TELLWICK_BIN_DIR) +
                        "/system_profiler SPBluetoothDataType 2>&1 >/dev/null; echo status=$?";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  ::pclose(pipe);
  EXPECT_THAT(output, HasSubstr("system_profiler: cannot connect to the system bus"));
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2);
  EXPECT_THAT(output, HasSubstr("status=1\n"));
}

TEST_F(LinuxSystemProfilerTest, OtherDataTypesPrintNothing) {
  ProfilerController usb(*runner_, processEnvironment(), Service("SPUSBDataType"));
  ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir_ + "/no-such-socket");
  OutputTree tree = usb.run();
  EXPECT_TRUE(tree.nodes().empty());
}

}  // namespace
}  // namespace tellwick
