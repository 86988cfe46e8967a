#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os/sensors/smc_linux.h"
#include "os/sensors/smc_user_client.h"
#include "tests/fakes/emulated_smc.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

namespace fs = std::filesystem;

// A key or type name packed big-endian, as the controller's clients pack it.
constexpr std::uint32_t code(std::string_view name) {
  std::uint32_t packed = 0;
  for (char c : name) packed = (packed << 8) | static_cast<std::uint8_t>(c);
  return packed;
}

// A sysfs look-alike in a temporary directory: real files and symlinks laid
// out as the kernel lays them out, with the kernel's trailing newlines.
class SysfsTree {
 public:
  SysfsTree() { fs::create_directories(root_ / "class/hwmon"); }

  std::string root() const { return root_.string(); }

  void attribute(const std::string& path, const std::string& value) {
    fs::create_directories((root_ / path).parent_path());
    std::ofstream(root_ / path) << value << '\n';
  }
  void remove(const std::string& path) { fs::remove_all(root_ / path); }

  // The applesmc platform device, its hwmon class device (which has no name
  // file of its own) and the class link.
  void appleSmc(int hwmon) {
    const std::string device = "devices/platform/applesmc.768";
    attribute(device + "/name", "applesmc");
    hwmonLink(device, hwmon);
  }
  void appleFan(int n, const std::string& label, int input, int min, int max, int output) {
    const std::string prefix = "devices/platform/applesmc.768/fan" + std::to_string(n);
    attribute(prefix + "_label", label);
    attribute(prefix + "_input", std::to_string(input));
    attribute(prefix + "_min", std::to_string(min));
    attribute(prefix + "_max", std::to_string(max));
    attribute(prefix + "_output", std::to_string(output));
  }
  void appleTemperature(int n, const std::string& key, const std::string& milli) {
    const std::string prefix = "devices/platform/applesmc.768/temp" + std::to_string(n);
    attribute(prefix + "_label", key);
    attribute(prefix + "_input", milli);
  }

  // A hwmon chip of another driver; returns the directory its attributes go
  // in (the class device, or its parent for the older drivers).
  std::string chip(const std::string& device, int hwmon, const std::string& name,
                   bool attributesOnParent = false) {
    std::string classDevice = hwmonLink(device, hwmon);
    std::string home = attributesOnParent ? device : classDevice;
    attribute(home + "/name", name);
    return home;
  }

 private:
  std::string hwmonLink(const std::string& device, int hwmon) {
    std::string name = "hwmon" + std::to_string(hwmon);
    std::string classDevice = device + "/hwmon/" + name;
    fs::create_directories(root_ / classDevice);
    fs::create_directory_symlink("../../../" + fs::path(device).filename().string(),
                                 root_ / classDevice / "device");
    fs::create_directory_symlink("../../" + classDevice, root_ / "class/hwmon" / name);
    return classDevice;
  }

  testing::ScratchDirectory scratch_{"smc-sysfs"};
  fs::path root_ = scratch_.path();
};

struct Reply {
  KernReturn status;
  Parameters out;
};

Reply call(SmcUserClient& client, ConnectionHandle connection, std::string_view key,
           std::uint8_t command, std::uint32_t dataSize = 0) {
  Parameters in{};
  in.key = code(key);
  in.data8 = command;
  in.keyInfo.dataSize = dataSize;
  Reply reply{0, {}};
  std::size_t size = sizeof reply.out;
  reply.status = client.callStructMethod(connection, kSmcStructMethodSelector, &in, sizeof in,
                                         &reply.out, &size);
  return reply;
}

// Reads keys the way a client does: the key's info, then that many bytes.
struct KeyReader {
  SmcUserClient& client;
  ConnectionHandle connection;

  // The key's type and bytes; nullopt when it is missing or a call fails.
  std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> read(std::string_view key) const {
    Reply info = call(client, connection, key, kSmcReadKeyInfo);
    if (info.status != kIOReturnSuccess || info.out.result != 0) return std::nullopt;
    Reply bytes = call(client, connection, key, kSmcReadKeyBytes, info.out.keyInfo.dataSize);
    if (bytes.status != kIOReturnSuccess) return std::nullopt;
    auto& b = bytes.out.bytes.bytes;
    auto size = std::min<std::size_t>(info.out.keyInfo.dataSize, b.size());
    return std::pair(std::uint32_t{info.out.keyInfo.dataType}, std::vector(b.begin(), b.begin() + size));
  }
  std::optional<float> number(std::string_view key) const {
    auto k = read(key);
    if (!k || k->first != code("flt ") || k->second.size() != 4) return std::nullopt;
    float value;
    std::memcpy(&value, k->second.data(), 4);
    return value;
  }
  std::optional<std::string> label(std::string_view key) const {
    auto k = read(key);
    if (!k || k->second.size() != 16) return std::nullopt;
    return std::string(k->second.begin() + 4, k->second.end());
  }
  std::optional<double> celsius(std::string_view key) const {
    auto k = read(key);
    if (!k || k->second.size() != 2) return std::nullopt;
    return static_cast<std::int16_t>(k->second[0] << 8 | k->second[1]) / 256.0;
  }
};

// ---------------------------------------------------------------------------
// One contract, two implementations: the emulated controller, and the Linux
// one over a tree describing the same machine (two fans, one temperature);
// the emulated one holds just the keys the contract reads.

struct Machine {
  std::unique_ptr<SmcUserClient> client;
  std::shared_ptr<void> keepAlive;
};

Machine emulated() {
  auto smc = std::make_unique<testing::EmulatedSmc>();
  smc->set("FNum", "ui8 ", {2});
  smc->set("F0ID", "{fds", {0, 0, 0, 0, 'L', 'e', 'f', 't', ' ', 's', 'i', 'd', 'e', ' ', ' ', ' '});
  smc->setFloat("F0Ac", 2000);
  smc->setFloat("F0Tg", 2100);
  smc->setFloat("F1Mx", 6500);
  smc->set("TC0P", "sp78", {0x2A, 0x80});
  return {std::move(smc), nullptr};
}

Machine linuxSysfs() {
  auto tree = std::make_shared<SysfsTree>();
  tree->appleSmc(3);
  tree->appleFan(1, "Left side", 2000, 1200, 6000, 2100);
  tree->appleFan(2, "Right", 1800, 1200, 6500, 1800);
  tree->appleTemperature(1, "TC0P", "42500");
  return {newLinuxSmcUserClient(tree->root()), tree};
}

class SmcUserClientContract : public ::testing::TestWithParam<std::function<Machine()>> {
 protected:
  void SetUp() override {
    machine_ = GetParam()();
    service_ = client().getMatchingService(serviceMatching("AppleSMC"));
    ASSERT_NE(service_, 0u);
    ASSERT_EQ(client().open(service_, 0, &connection_), kIOReturnSuccess);
    client().release(service_);
  }
  SmcUserClient& client() { return *machine_.client; }

  Machine machine_;
  ServiceHandle service_ = 0;
  ConnectionHandle connection_ = 0;
};

TEST_P(SmcUserClientContract, MatchesOnlyTheControllerService) {
  EXPECT_EQ(client().getMatchingService(serviceMatching("IOHIDSystem")), 0u);
  EXPECT_EQ(client().getMatchingService(serviceMatching("")), 0u);
}

TEST_P(SmcUserClientContract, ConnectionsAreIndependentAndClosedOnce) {
  ConnectionHandle second = 0;
  ASSERT_EQ(client().open(service_, 0, &second), kIOReturnSuccess);
  EXPECT_NE(second, connection_);
  EXPECT_EQ(client().close(second), kIOReturnSuccess);
  EXPECT_EQ(client().close(second), kIOReturnNotOpen);
  EXPECT_NE(call(client(), second, "FNum", kSmcReadKeyInfo).status, kIOReturnSuccess);
  EXPECT_EQ(call(client(), connection_, "FNum", kSmcReadKeyInfo).status, kIOReturnSuccess);
  EXPECT_NE(call(client(), 0, "FNum", kSmcReadKeyInfo).status, kIOReturnSuccess);
}

TEST_P(SmcUserClientContract, AnswersFanCountFanKeysAndTemperatures) {
  using Bytes = std::vector<std::uint8_t>;
  KeyReader keys{client(), connection_};
  EXPECT_EQ(keys.read("FNum"), std::pair(code("ui8 "), Bytes{2}));
  EXPECT_EQ(keys.label("F0ID"), "Left side   ");
  EXPECT_EQ(keys.number("F0Ac"), 2000.0f);
  EXPECT_EQ(keys.number("F0Tg"), 2100.0f);
  EXPECT_EQ(keys.number("F1Mx"), 6500.0f);
  EXPECT_EQ(keys.read("TC0P"), std::pair(code("sp78"), Bytes{0x2A, 0x80}));
}

TEST_P(SmcUserClientContract, UnknownKeysAreNotFoundWithoutFailingTheCall) {
  for (const char* key : {"F2Ac", "TZ9Z", "F0Xx", "Fan", ""}) {
    Reply info = call(client(), connection_, key, kSmcReadKeyInfo);
    EXPECT_EQ(info.status, kIOReturnSuccess) << key;
    EXPECT_EQ(info.out.result, kSmcResultKeyNotFound) << key;
  }
}

// A wrong selector, input size or output size, or a write (command 6).
TEST_P(SmcUserClientContract, RejectsMalformedCallsWithoutWriting) {
  struct Case {
    std::uint32_t selector;
    std::size_t inputSize, outputSize;
    std::uint8_t command;
  } const cases[] = {{3, 80, 80, kSmcReadKeyInfo}, {2, 79, 80, kSmcReadKeyInfo},
                     {2, 80, 40, kSmcReadKeyInfo}, {2, 80, 80, 6}};
  for (const auto& c : cases) {
    Parameters in{}, out{};
    in.key = code("FNum");
    in.data8 = c.command;
    out.result = 0x55;
    std::size_t size = c.outputSize;
    EXPECT_NE(client().callStructMethod(connection_, c.selector, &in, c.inputSize, &out, &size),
              kIOReturnSuccess) << &c - cases;
    EXPECT_EQ(out.result, 0x55);
  }
}

INSTANTIATE_TEST_SUITE_P(Emulated, SmcUserClientContract, ::testing::Values(emulated));
INSTANTIATE_TEST_SUITE_P(Linux, SmcUserClientContract, ::testing::Values(linuxSysfs));

// ---------------------------------------------------------------------------
// How the Linux controller maps sysfs onto keys.

class LinuxSmcTest : public ::testing::Test {
 protected:
  // Opens a connection; false when there is no service.
  bool open() {
    client_ = newLinuxSmcUserClient(tree_.root());
    ServiceHandle service = client_->getMatchingService(serviceMatching("AppleSMC"));
    if (service == 0) return false;
    client_->open(service, 0, &connection_);
    return true;
  }
  int fanCount() { return keys().read("FNum").value().second.at(0); }
  std::optional<float> fan(std::string_view key) { return keys().number(key); }
  std::optional<double> temperature(std::string_view key) { return keys().celsius(key); }
  KeyReader keys() { return {*client_, connection_}; }

  SysfsTree tree_;
  std::unique_ptr<SmcUserClient> client_;
  ConnectionHandle connection_ = 0;
};

TEST_F(LinuxSmcTest, NoAppleSmcAndNoFansMeansNoService) {
  std::string home = tree_.chip("devices/virtual/thermal/thermal_zone0", 0, "acpitz");
  tree_.attribute(home + "/temp1_input", "45000");
  EXPECT_FALSE(open());
  EXPECT_EQ(
      newLinuxSmcUserClient("/nonexistent-root")->getMatchingService(serviceMatching("AppleSMC")),
      0u);
}

// Older drivers keep their attributes on the parent device (w83627ehf).
// Chips in the order of their devices, which stays as it is when hwmonN
// numbers change as chips come and go.
TEST_F(LinuxSmcTest, AppleSmcFansComeFirstThenChipsByDeviceAndChannelsInNumericOrder) {
  tree_.appleSmc(3);
  tree_.appleFan(1, "A very long fan label", 1300, 1200, 6200, 1300);
  std::string older = tree_.chip("devices/platform/w83627ehf.656", 1, "w83627ehf", true);
  tree_.attribute(older + "/fan1_input", "1500");
  tree_.attribute(older + "/fan1_min", "300");
  std::string chip10 = tree_.chip("devices/platform/it87.2608", 10, "it8728");
  tree_.attribute(chip10 + "/fan1_input", "700");
  std::string chip2 = tree_.chip("devices/platform/nct6775.656", 2, "nct6798");
  tree_.attribute(chip2 + "/fan10_input", "910");
  tree_.attribute(chip2 + "/fan2_input", "902");
  tree_.attribute(chip2 + "/fan2_target", "950");
  tree_.attribute(chip2 + "/fan2_label", "Pump");
  tree_.attribute(chip2 + "/fan02_input", "1");  // not a channel name the kernel makes
  ASSERT_TRUE(open());

  ASSERT_EQ(fanCount(), 5);
  EXPECT_EQ(fan("F0Ac"), 1300.0f);  // applesmc's own hwmon3 is not listed again
  EXPECT_EQ(keys().label("F0ID"), "A very long ");
  EXPECT_EQ(fan("F1Ac"), 700.0f);
  EXPECT_EQ(fan("F2Ac"), 902.0f);
  EXPECT_EQ(fan("F2Tg"), 950.0f);
  EXPECT_EQ(keys().label("F2ID"), "Pump        ");
  EXPECT_EQ(fan("F3Ac"), 910.0f);
  EXPECT_EQ(fan("F4Ac"), 1500.0f);
  EXPECT_EQ(fan("F4Mn"), 300.0f);
  EXPECT_FALSE(fan("F5Ac"));
}

TEST_F(LinuxSmcTest, MissingOrUnreadableAttributesAreMissingKeys) {
  std::string home = tree_.chip("devices/platform/nct6775.656", 2, "nct6798");
  tree_.attribute(home + "/fan1_input", "1500");
  tree_.attribute(home + "/fan1_min", "n/a");
  tree_.attribute(home + "/fan1_max", "1500rpm");
  fs::create_directories(tree_.root() + "/" + home + "/fan1_target");  // read fails
  ASSERT_TRUE(open());
  EXPECT_EQ(fan("F0Ac"), 1500.0f);
  for (const char* key : {"F0Mn", "F0Mx", "F0Tg", "F0ID"}) {
    EXPECT_EQ(call(*client_, connection_, key, kSmcReadKeyInfo).out.result,
              kSmcResultKeyNotFound)
        << key;
    // Asked for its bytes anyway, the call fails rather than pass zeros off
    // as a reading.
    EXPECT_NE(call(*client_, connection_, key, kSmcReadKeyBytes, 4).status, kIOReturnSuccess)
        << key;
  }
}

TEST_F(LinuxSmcTest, TemperaturesAreAppleSmcLabelsInSp78) {
  tree_.appleSmc(0);
  tree_.appleTemperature(1, "TC0P", "42500");
  tree_.appleTemperature(2, "TB0T", "-500");
  tree_.appleTemperature(3, "Ts0S", "200000");  // beyond what sp78 holds
  tree_.appleTemperature(4, "TLONG", "30000");  // not a key
  std::string chip = tree_.chip("devices/platform/coretemp.0", 1, "coretemp");
  tree_.attribute(chip + "/temp1_label", "TC1C");
  tree_.attribute(chip + "/temp1_input", "50000");
  ASSERT_TRUE(open());
  EXPECT_EQ(temperature("TC0P"), 42.5);
  EXPECT_EQ(temperature("TB0T"), -0.5);
  EXPECT_EQ(temperature("Ts0S"), 32767 / 256.0);
  EXPECT_FALSE(temperature("TLON"));
  EXPECT_FALSE(temperature("TC1C"));  // only applesmc's labels are keys
}

// The helper reads its sensors from the controller only where applesmc is
// there; a board whose chips report fans has no controller keys.
TEST(LinuxSmcPresentTest, OnlyTheAppleSmcDeviceCounts) {
  SysfsTree tree;
  EXPECT_FALSE(linuxSmcPresent(tree.root()));
  tree.attribute(tree.chip("devices/platform/nct6775.656", 2, "nct6798") + "/fan1_input", "900");
  EXPECT_FALSE(linuxSmcPresent(tree.root()));
  tree.appleSmc(0);
  EXPECT_TRUE(linuxSmcPresent(tree.root()));
  tree.remove("devices/platform/applesmc.768");
  EXPECT_FALSE(linuxSmcPresent(tree.root()));
}

}  // namespace
}  // namespace tellwick::os
