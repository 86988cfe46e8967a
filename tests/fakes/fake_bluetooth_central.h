#ifndef TELLWICK_TESTS_FAKES_FAKE_BLUETOOTH_CENTRAL_H_
#define TELLWICK_TESTS_FAKES_FAKE_BLUETOOTH_CENTRAL_H_

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "os/bluetooth/bluetooth_central.h"

namespace tellwick::testing {

// A central whose peripherals a test sets up and whose events a test sends
// one by one. Requests are recorded, never answered on their own: the test
// answers them with the event it wants.
class FakeBluetoothCentral final : public os::BluetoothCentral {
 public:
  struct Peripheral {
    std::optional<std::string> name;
    os::PeripheralState state = os::PeripheralState::disconnected;
    bool connectedToSystem = false;
    std::vector<std::string> offeredServices;  // what retrieval matches
    std::optional<std::vector<std::string>> services;
  };

  // Requests, as "connect A", "cancel A", "services A 180F,180A",
  // "characteristics A 180F", "read A 180F 2A19".
  std::vector<std::string> calls;
  std::map<std::string, Peripheral> peripherals;
  os::CentralState centralState = os::CentralState::poweredOn;

  Peripheral& peripheral(const std::string& id) { return peripherals[id]; }

  void clearCalls() { calls.clear(); }

  // Events.
  void discover(const std::string& id, const os::AdvertisementData& advertisement) {
    peripherals.try_emplace(id);
    if (delegate_) delegate_->didDiscoverPeripheral(id, advertisement);
  }
  void connected(const std::string& id) {
    peripheral(id).state = os::PeripheralState::connected;
    if (delegate_) delegate_->didConnectPeripheral(id);
  }
  void failedToConnect(const std::string& id) {
    peripheral(id).state = os::PeripheralState::disconnected;
    if (delegate_) delegate_->didFailToConnectPeripheral(id, "fake failure");
  }
  void disconnected(const std::string& id) {
    peripheral(id).state = os::PeripheralState::disconnected;
    if (delegate_) delegate_->didDisconnectPeripheral(id);
  }
  void servicesDiscovered(const std::string& id, std::optional<std::vector<std::string>> services) {
    peripheral(id).services = std::move(services);
    if (delegate_) delegate_->didDiscoverServices(id);
  }
  void characteristicsDiscovered(const std::string& id, const std::string& service,
                                 const std::optional<std::vector<std::string>>& list) {
    if (delegate_) delegate_->didDiscoverCharacteristics(id, service, list);
  }
  void valueUpdated(const std::string& id, const std::string& characteristic,
                    const std::optional<std::vector<std::uint8_t>>& value) {
    if (delegate_) delegate_->didUpdateValue(id, characteristic, value);
  }

  // os::BluetoothCentral
  void setDelegate(os::BluetoothCentralDelegate* delegate) override { delegate_ = delegate; }
  os::CentralState state() override { return centralState; }
  std::vector<std::string> retrieveConnectedPeripherals(
      const std::vector<std::string>& services) override {
    std::vector<std::string> out;
    if (centralState != os::CentralState::poweredOn) return out;
    for (const auto& [id, p] : peripherals) {
      if (p.connectedToSystem &&
          std::ranges::find_first_of(p.offeredServices, services) != p.offeredServices.end()) {
        out.push_back(id);
      }
    }
    return out;
  }
  std::optional<std::string> name(const std::string& id) override { return known(id).name; }
  os::PeripheralState peripheralState(const std::string& id) override { return known(id).state; }
  std::optional<std::vector<std::string>> services(const std::string& id) override {
    return known(id).services;
  }
  void connect(const std::string& id) override {
    peripheral(id).state = os::PeripheralState::connecting;
    calls.push_back("connect " + id);
  }
  void cancelConnection(const std::string& id) override {
    peripheral(id).state = os::PeripheralState::disconnected;
    calls.push_back("cancel " + id);
  }
  void discoverServices(const std::string& id, const std::vector<std::string>& services) override {
    std::string list;
    for (const auto& s : services) list += (list.empty() ? "" : ",") + s;
    calls.push_back("services " + id + " " + list);
  }
  void discoverCharacteristics(const std::string& id, const std::string& service) override {
    calls.push_back("characteristics " + id + " " + service);
  }
  void readValue(const std::string& id, const std::string& service,
                 const std::string& characteristic) override {
    calls.push_back("read " + id + " " + service + " " + characteristic);
  }
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds) override {
    return done();
  }

 private:
  // Peripherals never set up read as a default, disconnected one.
  const Peripheral& known(const std::string& id) const {
    static const Peripheral none;
    auto it = peripherals.find(id);
    return it == peripherals.end() ? none : it->second;
  }

  os::BluetoothCentralDelegate* delegate_ = nullptr;
};

// Every event a central delivers, one line each: "state", "connected A",
// "discovered A <maker data>", "characteristics A 180F: 2A19",
// "value A 2A19 <bytes>".
class CentralEventLog final : public os::BluetoothCentralDelegate {
 public:
  void centralDidUpdateState(os::CentralState) override { log.push_back("state"); }
  void didDiscoverPeripheral(const std::string& p, const os::AdvertisementData& a) override {
    const auto data = a.manufacturerData.value_or(std::vector<std::uint8_t>{});
    log.push_back("discovered " + p + " " + std::string(data.begin(), data.end()));
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

#endif  // TELLWICK_TESTS_FAKES_FAKE_BLUETOOTH_CENTRAL_H_
