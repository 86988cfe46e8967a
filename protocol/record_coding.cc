#include "protocol/record_coding.h"

#include <string>

#include "os/store/property_list_coder.h"

namespace tellwick {
namespace {

using os::PlistArray;
using os::PlistDictionary;
using os::PlistValue;

std::optional<std::string> stringAt(const PlistDictionary& record, std::string_view key) {
  const PlistValue* value = os::findKey(record, key);
  if (!value) return std::nullopt;
  if (const auto* text = value->get<std::string>()) return *text;
  return std::nullopt;
}

std::optional<std::int64_t> int64At(const PlistDictionary& record, std::string_view key) {
  const PlistValue* value = os::findKey(record, key);
  return value ? os::plistInt64(*value) : std::nullopt;
}

std::optional<std::uint64_t> uint64At(const PlistDictionary& record, std::string_view key) {
  const PlistValue* value = os::findKey(record, key);
  return value ? os::plistUInt64(*value) : std::nullopt;
}

template <typename Record, typename Encode>
PlistValue encodeList(const std::vector<Record>& records, Encode encode) {
  PlistArray list;
  list.reserve(records.size());
  for (const auto& record : records) list.push_back(encode(record));
  return list;
}

template <typename Record, typename Decode>
std::optional<std::vector<Record>> decodeList(const PlistValue& list, Decode decode) {
  const auto* array = list.get<PlistArray>();
  if (!array) return std::nullopt;
  std::vector<Record> records;
  records.reserve(array->size());
  for (const auto& element : *array) {
    auto record = decode(element);
    if (!record) return std::nullopt;
    records.push_back(std::move(*record));
  }
  return records;
}

}  // namespace

PlistValue encodeSensor(const Sensor& sensor) {
  PlistDictionary record;
  record.reserve(3);
  record.emplace_back("Identifier", sensor.identifier);
  record.emplace_back("Description", sensor.description);
  if (sensor.value) record.emplace_back("Value", *sensor.value);
  return record;
}

std::optional<Sensor> decodeSensor(const PlistValue& value) {
  const auto* record = value.get<PlistDictionary>();
  if (!record) return std::nullopt;
  auto identifier = stringAt(*record, "Identifier");
  auto description = stringAt(*record, "Description");
  if (!identifier || !description) return std::nullopt;
  std::optional<double> reading;
  if (const PlistValue* stored = os::findKey(*record, "Value"); stored && !stored->is<os::PlistNull>()) {
    // JSON and hand-written plists spell whole readings as integers.
    if (const auto* real = stored->get<double>()) {
      reading = *real;
    } else if (auto whole = os::plistInt64(*stored)) {
      reading = static_cast<double>(*whole);
    } else if (auto big = os::plistUInt64(*stored)) {
      reading = static_cast<double>(*big);
    } else {
      return std::nullopt;
    }
  }
  return Sensor(std::move(*identifier), std::move(*description), reading);
}

PlistValue encodeSensors(const std::vector<Sensor>& sensors) {
  return encodeList(sensors, encodeSensor);
}

std::optional<std::vector<Sensor>> decodeSensors(const PlistValue& list) {
  return decodeList<Sensor>(list, decodeSensor);
}

PlistValue encodeFan(const Fan& fan) {
  PlistDictionary record;
  record.reserve(6);
  record.emplace_back("identifier", fan.identifier);
  record.emplace_back("name", fan.name);
  record.emplace_back("rpm", fan.rpm);
  record.emplace_back("min", fan.min);
  record.emplace_back("max", fan.max);
  record.emplace_back("target", fan.target);
  return record;
}

std::optional<Fan> decodeFan(const PlistValue& value) {
  const auto* record = value.get<PlistDictionary>();
  if (!record) return std::nullopt;
  auto identifier = stringAt(*record, "identifier");
  auto name = stringAt(*record, "name");
  auto rpm = int64At(*record, "rpm");
  auto min = int64At(*record, "min");
  auto max = int64At(*record, "max");
  auto target = int64At(*record, "target");
  if (!identifier || !name || !rpm || !min || !max || !target) return std::nullopt;
  return Fan(std::move(*identifier), std::move(*name), *rpm, *min, *max, *target);
}

PlistValue encodeFans(const std::vector<Fan>& fans) { return encodeList(fans, encodeFan); }

std::optional<std::vector<Fan>> decodeFans(const PlistValue& list) {
  return decodeList<Fan>(list, decodeFan);
}

PlistValue encodeProcessTrafficInfo(const ProcessTrafficInfo& info) {
  PlistDictionary record;
  record.reserve(4);
  record.emplace_back("pid", info.pid());
  record.emplace_back("name", info.name());
  record.emplace_back("sent", info.sent());
  record.emplace_back("received", info.received());
  return record;
}

std::optional<ProcessTrafficInfo> decodeProcessTrafficInfo(const PlistValue& value) {
  const auto* record = value.get<PlistDictionary>();
  if (!record) return std::nullopt;
  auto pid = uint64At(*record, "pid");
  auto name = stringAt(*record, "name");
  auto sent = uint64At(*record, "sent");
  auto received = uint64At(*record, "received");
  if (!pid || !name || !sent || !received) return std::nullopt;
  return ProcessTrafficInfo(*pid, std::move(*name), *sent, *received);
}

PlistValue encodeTraffic(const std::vector<ProcessTrafficInfo>& traffic) {
  return encodeList(traffic, encodeProcessTrafficInfo);
}

std::optional<std::vector<ProcessTrafficInfo>> decodeTraffic(const PlistValue& list) {
  return decodeList<ProcessTrafficInfo>(list, decodeProcessTrafficInfo);
}

}  // namespace tellwick
