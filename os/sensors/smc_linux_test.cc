#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "os/sensors/smc_linux.h"
#include "os/sensors/smc_user_client.h"
#include "smc/string_converter.h"
#include "tests/fakes/emulated_smc.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

namespace fs = std::filesystem;

// A key or type name packed big-endian, as the controller's clients pack it.
constexpr auto code = StringConverter::fourCharCode;

// A sysfs look-alike in a temporary directory: real files and symlinks laid
// out as the kernel lays them out, with the kernel's trailing newlines.
class SysfsTree {
 public:
  static constexpr const char* kAppleSmc = "devices/platform/applesmc.768";

  SysfsTree() { fs::create_directories(root_ / "class/hwmon"); }
  std::string root() const { return root_.string(); }

  void attributes(const std::string& directory,
                  std::initializer_list<std::pair<std::string, std::string>> values) {
    for (const auto& [name, value] : values) scratch_.writeFile(directory + "/" + name, value + "\n");
  }

  // The applesmc platform device and its hwmon class device, which has no
  // name file of its own.
  void appleSmc(int hwmon) {
    attributes(kAppleSmc, {{"name", "applesmc"}});
    hwmonLink(kAppleSmc, hwmon);
  }

  // A hwmon chip of another driver; returns the directory its attributes go
  // in (the class device, or its parent for the older drivers).
  std::string chip(const std::string& device, int hwmon, const std::string& name,
                   bool attributesOnParent = false) {
    std::string classDevice = hwmonLink(device, hwmon);
    std::string home = attributesOnParent ? device : classDevice;
    attributes(home, {{"name", name}});
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

std::string number(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Reads keys the way a client does, the key's info then that many bytes, and
// shows each as "key=value" decoded by its type ("-" when missing or a call
// fails, "?" for a type or size no client decodes).
std::string readKeys(SmcUserClient& client, ConnectionHandle connection,
                     std::initializer_list<std::string_view> keys) {
  std::string shown;
  for (std::string_view key : keys) {
    shown += (shown.empty() ? "" : " ") + std::string(key) + "=";
    Reply info = call(client, connection, key, kSmcReadKeyInfo);
    Reply bytes = call(client, connection, key, kSmcReadKeyBytes, info.out.keyInfo.dataSize);
    if (info.status != kIOReturnSuccess || info.out.result != 0 || bytes.status != kIOReturnSuccess) {
      shown += "-";
      continue;
    }
    const auto& b = bytes.out.bytes.bytes;
    const std::uint32_t type = info.out.keyInfo.dataType, size = info.out.keyInfo.dataSize;
    if (type == code("ui8 ") && size == 1) {
      shown += std::to_string(b[0]);
    } else if (type == code("flt ") && size == 4) {
      float value;
      std::memcpy(&value, b.data(), 4);
      shown += number(value);
    } else if (type == code("sp78") && size == 2) {
      shown += number(static_cast<std::int16_t>(b[0] << 8 | b[1]) / 256.0);
    } else if (type == code("{fds") && size == 16) {
      shown += "[" + std::string(b.begin() + 4, b.begin() + 16) + "]";
    } else {
      shown += "?";
    }
  }
  return shown;
}

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
  tree->attributes(SysfsTree::kAppleSmc,
                   {{"fan1_label", "Left side"}, {"fan1_input", "2000"}, {"fan1_min", "1200"},
                    {"fan1_max", "6000"}, {"fan1_output", "2100"}, {"fan2_input", "1800"},
                    {"fan2_max", "6500"}, {"temp1_label", "TC0P"}, {"temp1_input", "42500"}});
  return {newLinuxSmcUserClient(tree->root()), tree};
}

class SmcUserClientContract : public ::testing::TestWithParam<std::function<Machine()>> {
 protected:
  void SetUp() override {
    machine_ = GetParam()();
    EXPECT_EQ(client().getMatchingService(serviceMatching("IOHIDSystem")), 0u);
    EXPECT_EQ(client().getMatchingService(serviceMatching("")), 0u);
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
  EXPECT_EQ(readKeys(client(), connection_, {"FNum", "F0ID", "F0Ac", "F0Tg", "F1Mx", "TC0P"}),
            "FNum=2 F0ID=[Left side   ] F0Ac=2000 F0Tg=2100 F1Mx=6500 TC0P=42.5");
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
  // The keys as read over a new connection; "no service" when there is none.
  std::string keys(std::initializer_list<std::string_view> names) {
    client_ = newLinuxSmcUserClient(tree_.root());
    ServiceHandle service = client_->getMatchingService(serviceMatching("AppleSMC"));
    if (service == 0) return "no service";
    client_->open(service, 0, &connection_);
    return readKeys(*client_, connection_, names);
  }

  SysfsTree tree_;
  std::unique_ptr<SmcUserClient> client_;
  ConnectionHandle connection_ = 0;
};

TEST_F(LinuxSmcTest, NoAppleSmcAndNoFansMeansNoService) {
  tree_.attributes(tree_.chip("devices/virtual/thermal/thermal_zone0", 0, "acpitz"), {{"temp1_input", "45000"}});
  EXPECT_EQ(keys({"FNum"}), "no service");
  EXPECT_FALSE(linuxSmcPresent(tree_.root()));
  EXPECT_EQ(
      newLinuxSmcUserClient("/nonexistent-root")->getMatchingService(serviceMatching("AppleSMC")),
      0u);
}

// Older drivers keep their attributes on the parent device (w83627ehf).
// Chips in the order of their devices, which stays as it is when hwmonN
// numbers change as chips come and go.
TEST_F(LinuxSmcTest, AppleSmcFansComeFirstThenChipsByDeviceAndChannelsInNumericOrder) {
  tree_.appleSmc(3);
  tree_.attributes(SysfsTree::kAppleSmc, {{"fan1_label", "A very long fan label"}, {"fan1_input", "1300"}});
  tree_.attributes(tree_.chip("devices/platform/w83627ehf.656", 1, "w83627ehf", true),
                   {{"fan1_input", "1500"}, {"fan1_min", "300"}});
  tree_.attributes(tree_.chip("devices/platform/it87.2608", 10, "it8728"), {{"fan1_input", "700"}});
  tree_.attributes(tree_.chip("devices/platform/nct6775.656", 2, "nct6798"),
                   {{"fan10_input", "910"}, {"fan2_input", "902"}, {"fan2_target", "950"},
                    {"fan2_label", "Pump"}, {"fan02_input", "1"}});  // not a channel name the kernel makes
  // applesmc's own hwmon3 is not listed again.
  EXPECT_EQ(keys({"FNum", "F0Ac", "F0ID", "F1Ac", "F2Ac", "F2Tg", "F2ID", "F3Ac", "F4Ac", "F4Mn", "F5Ac"}),
            "FNum=5 F0Ac=1300 F0ID=[A very long ] F1Ac=700 F2Ac=902 F2Tg=950 F2ID=[Pump        ] "
            "F3Ac=910 F4Ac=1500 F4Mn=300 F5Ac=-");
}

TEST_F(LinuxSmcTest, MissingOrUnreadableAttributesAreMissingKeys) {
  std::string home = tree_.chip("devices/platform/nct6775.656", 2, "nct6798");
  tree_.attributes(home, {{"fan1_input", "1500"}, {"fan1_min", "n/a"}, {"fan1_max", "1500rpm"},
                          {"fan1_label", std::string(4096, 'x')}});  // a page and its newline: too long
  fs::create_directories(tree_.root() + "/" + home + "/fan1_target");  // read fails
  EXPECT_EQ(keys({"F0Ac"}), "F0Ac=1500");
  // The helper reads its sensors from the controller only where applesmc is
  // there; a board whose chips report fans has no controller keys.
  EXPECT_FALSE(linuxSmcPresent(tree_.root()));
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

// Only applesmc's labels are keys; sp78 saturates.
TEST_F(LinuxSmcTest, TemperaturesAreAppleSmcLabelsInSp78) {
  tree_.appleSmc(0);
  tree_.attributes(SysfsTree::kAppleSmc,
                   {{"temp1_label", "TC0P"}, {"temp1_input", "42500"}, {"temp2_label", "TB0T"},
                    {"temp2_input", "-500"}, {"temp3_label", "Ts0S"}, {"temp3_input", "200000"},
                    {"temp4_label", "TLONG"}, {"temp4_input", "30000"}});
  tree_.attributes(tree_.chip("devices/platform/coretemp.0", 1, "coretemp"),
                   {{"temp1_label", "TC1C"}, {"temp1_input", "50000"}});
  EXPECT_EQ(keys({"TC0P", "TB0T", "Ts0S", "TLON", "TC1C"}),
            "TC0P=42.5 TB0T=-0.5 Ts0S=127.99609375 TLON=- TC1C=-");
  EXPECT_TRUE(linuxSmcPresent(tree_.root()));
}

// A sampler asks for the same keys every time; each time they are read anew,
// whether asked one by one or read ahead a chip at a time.
TEST(LinuxSmcRoundsTest, EachRoundOfKeysIsReadAnew) {
  SysfsTree tree;
  tree.appleSmc(0);
  const std::string nct = tree.chip("devices/platform/nct6775.656", 2, "nct6798");
  const auto write = [&](int n) {
    tree.attributes(SysfsTree::kAppleSmc, {{"fan1_input", std::to_string(1000 + n)}, {"fan1_min", std::to_string(n)},
                                           {"temp1_label", "TC0P"}, {"temp1_input", std::to_string(n * 1000)}});
    tree.attributes(nct, {{"fan1_input", std::to_string(900 + n)}});
  };
  write(0);
  auto client = newLinuxSmcUserClient(tree.root());
  ConnectionHandle connection = 0;
  client->open(client->getMatchingService(serviceMatching("AppleSMC")), 0, &connection);
  for (int n : {1, 2, 3}) {
    write(n);
    EXPECT_EQ(readKeys(*client, connection, {"F0Ac", "F0Mn", "TC0P", "F1Ac"}),
              "F0Ac=" + std::to_string(1000 + n) + " F0Mn=" + std::to_string(n) + " TC0P=" + std::to_string(n) +
                  " F1Ac=" + std::to_string(900 + n));
    tree.attributes(SysfsTree::kAppleSmc, {{"fan1_input", "7"}});
    EXPECT_EQ(readKeys(*client, connection, {"F0Ac"}), "F0Ac=7") << "a key asked again is read again";
  }
}

// The keys of the last round are read ahead when the next one starts, and a
// value read ahead serves one read only.
TEST(LinuxSmcRoundsTest, ARoundReadsTheLastOnesKeysAheadAndServesEachOnce) {
  SysfsTree tree;
  tree.appleSmc(0);
  tree.attributes(SysfsTree::kAppleSmc, {{"fan1_input", "1000"}, {"fan1_min", "1"}});
  auto client = newLinuxSmcUserClient(tree.root());
  ConnectionHandle connection = 0;
  client->open(client->getMatchingService(serviceMatching("AppleSMC")), 0, &connection);
  EXPECT_EQ(readKeys(*client, connection, {"F0Ac", "F0Mn"}), "F0Ac=1000 F0Mn=1");
  // A driver may leave the newline out.
  std::ofstream(tree.root() + "/" + SysfsTree::kAppleSmc + "/fan1_input") << "2000";
  tree.attributes(SysfsTree::kAppleSmc, {{"fan1_min", "2"}});
  EXPECT_EQ(readKeys(*client, connection, {"F0Ac"}), "F0Ac=2000");
  tree.attributes(SysfsTree::kAppleSmc, {{"fan1_min", "3"}});
  EXPECT_EQ(readKeys(*client, connection, {"F0Mn"}), "F0Mn=2") << "read ahead with F0Ac";
  EXPECT_EQ(readKeys(*client, connection, {"F0Mn"}), "F0Mn=3") << "asked again, read again";
}

}  // namespace
}  // namespace tellwick::os
