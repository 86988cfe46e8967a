#ifndef TELLWICK_TESTS_BLUEZ_LE_BUS_H_
#define TELLWICK_TESTS_BLUEZ_LE_BUS_H_

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "os/bluetooth/bluetooth_central.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"

namespace tellwick::testing {

// A private bus that this process sees as the system bus, with
// python3-dbusmock's bluez5 template on it; tests/fixtures/bluez_le.py fills
// it in. Everything started here stops when the object goes.
class BluezLeBus {
 public:
  BluezLeBus() : bus_("DBUS_SYSTEM_BUS_ADDRESS") {}
  ~BluezLeBus() { stopBluez(); }
  BluezLeBus(const BluezLeBus&) = delete;
  BluezLeBus& operator=(const BluezLeBus&) = delete;

  bool ready() const { return !bus_.address().empty(); }

  // Starts the bluez5 template; script("adapter") then waits for its name.
  void startBluez() {
    bluez_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", "-m", "dbusmock", "-l", "/dev/null", "-s", "-t", "bluez5"},
        environmentSnapshot());
  }
  void stopBluez() {
    if (!bluez_) return;
    bluez_->signal(SIGTERM);
    bluez_->wait(std::chrono::seconds(5));
    bluez_.reset();
  }

  // Runs bluez_le.py with arguments; true when it succeeded.
  bool script(const std::string& arguments) {
    std::string command =
        std::string("/usr/bin/python3 ") + TELLWICK_FIXTURES_DIR + "/bluez_le.py " + arguments;
    return std::system(command.c_str()) == 0;
  }

 private:
  PrivateBus bus_;
  std::unique_ptr<ChildProcess> bluez_;
};

// Every event a central delivers, one line each: "state", "connected A",
// "discovered A <maker data in hex>", "characteristics A 180F: 2A19",
// "value A 2A19 <bytes>".
class CentralEventLog final : public os::BluetoothCentralDelegate {
 public:
  void centralDidUpdateState(os::CentralState) override { log.push_back("state"); }
  void didDiscoverPeripheral(const std::string& p, const os::AdvertisementData& a) override {
    std::string hex;
    for (auto byte : a.manufacturerData.value_or(std::vector<std::uint8_t>{})) {
      hex += "0123456789abcdef"[byte >> 4] + std::string(1, "0123456789abcdef"[byte & 15]);
    }
    log.push_back("discovered " + p + " " + hex);
  }
  void didConnectPeripheral(const std::string& p) override { log.push_back("connected " + p); }
  void didFailToConnectPeripheral(const std::string& p, const std::string&) override {
    log.push_back("failed " + p);
  }
  void didDisconnectPeripheral(const std::string& p) override {
    log.push_back("disconnected " + p);
  }
  void didDiscoverServices(const std::string& p) override { log.push_back("services " + p); }
  void didDiscoverCharacteristics(const std::string& p, const std::string& s,
                                  const std::optional<std::vector<std::string>>& list) override {
    std::string text = "characteristics " + p + " " + s + ":";
    for (const auto& c : list.value_or(std::vector<std::string>{})) text += " " + c;
    log.push_back(text);
  }
  void didUpdateValue(const std::string& p, const std::string& c,
                      const std::optional<std::vector<std::uint8_t>>& v) override {
    log.push_back("value " + p + " " + c + " " + (v ? std::string(v->begin(), v->end()) : "-"));
  }
  bool saw(const std::string& line) const { return std::ranges::find(log, line) != log.end(); }
  std::vector<std::string> log;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_BLUEZ_LE_BUS_H_
