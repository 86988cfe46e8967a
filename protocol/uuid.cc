#include "protocol/uuid.h"

namespace tellwick {

#define TELLWICK_GATT_CONSTANT(name, number) \
  const UUID& UUID::name() {                 \
    static const UUID kValue(number);        \
    return kValue;                           \
  }

TELLWICK_GATT_CONSTANT(batteryLevelCharacteristic, "2A19")
TELLWICK_GATT_CONSTANT(modelNumberCharacteristic, "2A24")
TELLWICK_GATT_CONSTANT(serialNumberCharacteristic, "2A25")
TELLWICK_GATT_CONSTANT(firmwareRevisionCharacteristic, "2A26")
TELLWICK_GATT_CONSTANT(hardwareRevisionCharacteristic, "2A27")
TELLWICK_GATT_CONSTANT(softwareRevisionCharacteristic, "2A28")
TELLWICK_GATT_CONSTANT(manufacturerNameCharacteristic, "2A29")
TELLWICK_GATT_CONSTANT(deviceInformationService, "180A")
TELLWICK_GATT_CONSTANT(batteryService, "180F")

#undef TELLWICK_GATT_CONSTANT

}  // namespace tellwick
