#ifndef TELLWICK_OS_BLUETOOTH_BLUETOOTH_CENTRAL_H_
#define TELLWICK_OS_BLUETOOTH_BLUETOOTH_CENTRAL_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/result.h"

namespace tellwick::os {

// The Bluetooth Low Energy central role: the peripherals the system knows,
// connections to them, and their GATT services, characteristics and values.
//
// Peripherals are named by their identifier (on Linux the device address in
// upper case), services and characteristics by their UUID text: the
// four-digit upper-case form ("180F", "2A19") for Bluetooth SIG numbers,
// otherwise the full upper-case 36-character form.
//
// Every method and every event runs on the owner's thread; requests never
// call back before they return, their answers arrive as events from
// runUntil.

enum class CentralState { unknown, resetting, unsupported, unauthorized, poweredOff, poweredOn };

enum class PeripheralState { disconnected, connecting, connected, disconnecting };

// What a discovery report carries. Absent entries were not advertised.
struct AdvertisementData {
  std::optional<bool> isConnectable;
  // The company identifier in the first two bytes (little-endian), then the
  // company's own bytes.
  std::optional<std::vector<std::uint8_t>> manufacturerData;
  std::optional<int> rssi;
};

// The central's events. Errors that accompany an event are passed as text
// for the record only.
class BluetoothCentralDelegate {
 public:
  virtual ~BluetoothCentralDelegate() = default;

  virtual void centralDidUpdateState(CentralState state) = 0;
  virtual void didDiscoverPeripheral(const std::string& peripheral,
                                     const AdvertisementData& advertisement) = 0;
  virtual void didConnectPeripheral(const std::string& peripheral) = 0;
  virtual void didFailToConnectPeripheral(const std::string& peripheral,
                                          const std::string& error) = 0;
  virtual void didDisconnectPeripheral(const std::string& peripheral) = 0;
  // The services are then available from services(peripheral).
  virtual void didDiscoverServices(const std::string& peripheral) = 0;
  // characteristics is absent when the service is gone.
  virtual void didDiscoverCharacteristics(
      const std::string& peripheral, const std::string& service,
      const std::optional<std::vector<std::string>>& characteristics) = 0;
  // value is absent when the read failed or the characteristic has none.
  virtual void didUpdateValue(const std::string& peripheral, const std::string& characteristic,
                              const std::optional<std::vector<std::uint8_t>>& value) = 0;
};

class BluetoothCentral {
 public:
  BluetoothCentral() = default;
  BluetoothCentral(const BluetoothCentral&) = delete;
  BluetoothCentral& operator=(const BluetoothCentral&) = delete;
  virtual ~BluetoothCentral() = default;

  // Where events go; nullptr drops them. Not owned; it must outlive the
  // central or be cleared first.
  virtual void setDelegate(BluetoothCentralDelegate* delegate) = 0;

  virtual CentralState state() = 0;

  // Identifiers of peripherals connected to the system (by any program) that
  // offer at least one of services, in a stable order; empty when none or
  // when the central is not powered on.
  virtual std::vector<std::string> retrieveConnectedPeripherals(
      const std::vector<std::string>& services) = 0;

  // The peripheral's advertised name; nullopt when it has none or is unknown.
  virtual std::optional<std::string> name(const std::string& peripheral) = 0;

  // The state of this central's connection to the peripheral (a peripheral
  // connected to the system by another program is disconnected here until
  // connect succeeds); disconnected for an unknown peripheral.
  virtual PeripheralState peripheralState(const std::string& peripheral) = 0;

  // The services found by the last discoverServices; nullopt before one has
  // finished.
  virtual std::optional<std::vector<std::string>> services(const std::string& peripheral) = 0;

  // Answered by didConnectPeripheral or didFailToConnectPeripheral.
  virtual void connect(const std::string& peripheral) = 0;
  // Ends this central's connection or connection attempt; no event.
  virtual void cancelConnection(const std::string& peripheral) = 0;
  // Answered by didDiscoverServices once the peripheral's services are known;
  // only the ones listed are kept (all of them when services is empty).
  virtual void discoverServices(const std::string& peripheral,
                                const std::vector<std::string>& services) = 0;
  // Answered by didDiscoverCharacteristics.
  virtual void discoverCharacteristics(const std::string& peripheral,
                                       const std::string& service) = 0;
  // Answered by didUpdateValue when the read completes.
  virtual void readValue(const std::string& peripheral, const std::string& service,
                         const std::string& characteristic) = 0;

  // Delivers events until done() is true (checked after each one), timeout
  // passes, a signal interrupts the wait or the connection to the platform's
  // stack is lost. Returns done().
  virtual bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) = 0;
};

// The central over BlueZ on the system bus (DBUS_SYSTEM_BUS_ADDRESS when
// set). Fails only when the bus cannot be used; without BlueZ or an adapter
// the central works and reports CentralState::unsupported.
Result<std::unique_ptr<BluetoothCentral>> newLinuxBluetoothCentral();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BLUETOOTH_BLUETOOTH_CENTRAL_H_
