#ifndef TELLWICK_BATTERY_LOW_ENERGY_FINDER_H_
#define TELLWICK_BATTERY_LOW_ENERGY_FINDER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "battery/device_catalogue.h"
#include "battery/iokit_controller.h"
#include "battery/low_energy_device.h"
#include "battery/low_energy_persistency.h"
#include "os/bluetooth/bluetooth_central.h"
#include "os/clock.h"
#include "os/files/resource_bundle.h"

namespace tellwick {

using LowEnergyDevices = std::vector<std::shared_ptr<LowEnergyDevice>>;

// Told about changes by the finder, on the finder's thread.
class LowEnergyDelegate {
 public:
  virtual ~LowEnergyDelegate() = default;
  // The device list or a device changed.
  virtual void devicesDidUpdate() = 0;
  // The central's state changed; state is passed on unchanged.
  virtual void centralStateDidUpdate(os::CentralState state) = 0;
};

class ILowEnergyFinder {
 public:
  virtual ~ILowEnergyFinder() = default;
  virtual LowEnergyDelegate* delegate() const = 0;
  // Not owned; nullptr for none.
  virtual void setDelegate(LowEnergyDelegate* delegate) = 0;
  virtual bool isPoweredOn() const = 0;
  virtual const LowEnergyDevices& devices() const = 0;
  virtual void refresh() = 0;
  virtual void retrieveConnectedDevices() = 0;
  virtual void reset() = 0;
  virtual void connectDevice(const LowEnergyDevice& device) = 0;
  virtual void disconnectDevice(const LowEnergyDevice& device) = 0;
};

// A live list of Bluetooth LE peripherals with their battery levels and
// device information. Driven from outside: the owner calls refresh more often
// than every 5 s, and the finder never starts a scan. A device without a sign
// of life for more than 5 s is dropped at the next refresh; notifications
// caused by values come at most once a second. Peripherals found to lack the
// battery service are left alone from then on, by retrieval as by discovery.
//
// Everything, the central's events included, runs on the owner's thread.
// The collaborators are not owned and must outlive the finder; the finder is
// the central's delegate for its whole life. ioKitController tells a
// connected peripheral's HID kind (mouse, keyboard); null for none.
class LowEnergyFinder final : public ILowEnergyFinder, private os::BluetoothCentralDelegate {
 public:
  LowEnergyFinder(os::BluetoothCentral& central, os::Clock& clock,
                  LowEnergyPersistency& persistency, const DeviceCatalogue& catalogue,
                  const os::ResourceBundle& bundle, IIOKitController* ioKitController);
  ~LowEnergyFinder() override;

  LowEnergyDelegate* delegate() const override { return delegate_; }
  void setDelegate(LowEnergyDelegate* delegate) override { delegate_ = delegate; }
  bool isPoweredOn() const override;
  const LowEnergyDevices& devices() const override { return devices_; }
  void refresh() override;
  void retrieveConnectedDevices() override;
  void reset() override;
  void connectDevice(const LowEnergyDevice& device) override;
  void disconnectDevice(const LowEnergyDevice& device) override;

  void connectPeripheral(const std::string& peripheral);
  void removeStaleDevices();

  const std::vector<std::string>& connectingPeripherals() const { return connecting_; }
  const std::set<std::string>& failedDevices() const { return failed_; }
  double lastUpdate() const { return lastUpdate_; }

 private:
  // os::BluetoothCentralDelegate
  void centralDidUpdateState(os::CentralState state) override;
  void didDiscoverPeripheral(const std::string& peripheral,
                             const os::AdvertisementData& advertisement) override;
  void didConnectPeripheral(const std::string& peripheral) override;
  void didFailToConnectPeripheral(const std::string& peripheral, const std::string& error) override;
  void didDisconnectPeripheral(const std::string& peripheral) override;
  void didDiscoverServices(const std::string& peripheral) override;
  void didDiscoverCharacteristics(const std::string& peripheral, const std::string& service,
                                  const std::optional<std::vector<std::string>>& list) override;
  void didUpdateValue(const std::string& peripheral, const std::string& characteristic,
                      const std::optional<std::vector<std::uint8_t>>& value) override;

  LowEnergyDevice* deviceOf(const std::string& peripheral) const;
  void append(std::shared_ptr<LowEnergyDevice> device);
  void removeDevicesOf(const std::string& peripheral);
  void reindex();
  bool isConnecting(const std::string& peripheral) const;
  void dropConnecting(const std::string& peripheral);
  std::string unknownName() const;
  void notifyDevices();

  os::BluetoothCentral& central_;
  os::Clock& clock_;
  LowEnergyPersistency& persistency_;
  const DeviceCatalogue& catalogue_;
  const os::ResourceBundle& bundle_;
  IIOKitController* ioKitController_;

  LowEnergyDevices devices_;
  // The first device of each peripheral, so that events on a long list do
  // not scan it.
  std::unordered_map<std::string, LowEnergyDevice*> index_;
  std::vector<std::string> connecting_;
  std::set<std::string> failed_;
  double lastUpdate_;
  LowEnergyDelegate* delegate_ = nullptr;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_LOW_ENERGY_FINDER_H_
