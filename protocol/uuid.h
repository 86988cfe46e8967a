#ifndef TELLWICK_PROTOCOL_UUID_H_
#define TELLWICK_PROTOCOL_UUID_H_

#include <string>

namespace tellwick {

// An identity token for a battery device (no data, never compared or
// encoded), and the holder of the Bluetooth GATT identifiers.
class UUID {
 public:
  UUID() = default;
  explicit UUID(std::string assignedNumber) : string_(std::move(assignedNumber)) {}
  // The four-character assigned number for a GATT constant; empty for a token.
  const std::string& string() const { return string_; }

  static const UUID& batteryLevelCharacteristic();
  static const UUID& modelNumberCharacteristic();
  static const UUID& serialNumberCharacteristic();
  static const UUID& firmwareRevisionCharacteristic();
  static const UUID& hardwareRevisionCharacteristic();
  static const UUID& softwareRevisionCharacteristic();
  static const UUID& manufacturerNameCharacteristic();
  static const UUID& deviceInformationService();
  static const UUID& batteryService();

 private:
  std::string string_;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_UUID_H_
