#ifndef TELLWICK_PROTOCOL_RECORD_CODING_H_
#define TELLWICK_PROTOCOL_RECORD_CODING_H_

#include <optional>
#include <vector>

#include "os/store/property_list.h"
#include "protocol/battery_device.h"
#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"

namespace tellwick {

// The keyed form of the monitoring records, shared by the store (binary
// property lists) and the sensor catalogue (JSON turned into a PlistValue).
//
// Encoders produce one dictionary per record, keys in declaration order; a
// list is an array of them. Decoders are strict: a required key that is
// missing or holds the wrong kind of value gives std::nullopt, and for a list
// one bad element fails the whole list. Unknown keys are ignored. Integers
// are accepted as either std::int64_t or std::uint64_t when the value fits
// the field. All functions are pure and may be called from any thread.

// "Identifier", "Description", and "Value" only when the value is present.
os::PlistValue encodeSensor(const Sensor& sensor);
// "Value" missing or PlistNull gives an absent value; a double or an integer
// gives the value; anything else fails.
std::optional<Sensor> decodeSensor(const os::PlistValue& record);
os::PlistValue encodeSensors(const std::vector<Sensor>& sensors);
std::optional<std::vector<Sensor>> decodeSensors(const os::PlistValue& list);

// "identifier", "name", "rpm", "min", "max", "target"; every key required.
// The decoded name is used as stored, even when empty.
os::PlistValue encodeFan(const Fan& fan);
std::optional<Fan> decodeFan(const os::PlistValue& record);
os::PlistValue encodeFans(const std::vector<Fan>& fans);
std::optional<std::vector<Fan>> decodeFans(const os::PlistValue& list);

// "pid", "name", "sent", "received"; every key required, integers >= 0.
os::PlistValue encodeProcessTrafficInfo(const ProcessTrafficInfo& info);
std::optional<ProcessTrafficInfo> decodeProcessTrafficInfo(const os::PlistValue& record);
os::PlistValue encodeTraffic(const std::vector<ProcessTrafficInfo>& traffic);
std::optional<std::vector<ProcessTrafficInfo>> decodeTraffic(const os::PlistValue& list);

// Arrays of BatteryDevice::encode() records. A null pointer in the list is
// skipped. Decoding uses SingleBatteryDevice::decode / DoubleBatteryDevice::decode.
os::PlistValue encodeSingleBatteryDevices(const SingleBatteryDevices& devices);
std::optional<SingleBatteryDevices> decodeSingleBatteryDevices(const os::PlistValue& list);
os::PlistValue encodeDoubleBatteryDevices(const DoubleBatteryDevices& devices);
std::optional<DoubleBatteryDevices> decodeDoubleBatteryDevices(const os::PlistValue& list);

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_RECORD_CODING_H_
