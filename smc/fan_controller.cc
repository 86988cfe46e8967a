#include "smc/fan_controller.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "protocol/helper_notifications.h"
#include "protocol/sensor_type.h"

namespace tellwick {
namespace {

// Space, tab and no-break space: the only whitespace a Latin-1 byte can be.
bool isBlank(std::uint8_t byte) { return byte == 0x20 || byte == 0x09 || byte == 0xA0; }

// Each byte is the code point of the same value; bytes above 0x7F take two
// bytes in UTF-8.
void appendLatin1(std::string& out, std::uint8_t byte) {
  if (byte < 0x80) {
    out.push_back(static_cast<char>(byte));
  } else {
    out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
  }
}

std::string key(const char* format, int index) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, index);
  return buffer;
}

}  // namespace

FanController::FanController(IHelperDataModel& model, os::NotificationCenter& center,
                             os::SmcUserClient& client, const os::ResourceBundle& bundle,
                             os::MainQueue* loop)
    : model_(model),
      center_(center),
      bundle_(bundle),
      smc_(client),
      requests_(loop, [this] { return sample(); },
                [this](const std::vector<Fan>& fans, int answered) {
                  model_.setFans(fans);
                  postResponse(center_, HelperNotifications::responseFans, model_, answered);
                }) {
  smc_.openConnection();
}

std::uint8_t FanController::readFanCount() {
  auto info = smc_.readKeyInfo("FNum");
  if (!info) return 0;
  auto bytes = smc_.readKeyBytes("FNum", info->dataSize);
  if (!bytes) return 0;
  return bytes->bytes[0];
}

std::string FanController::readFanName(int index) {
  std::string id = key("F%dID", index);
  auto info = smc_.readKeyInfo(id);
  if (!info) return {};
  auto bytes = smc_.readKeyBytes(id, info->dataSize);
  if (!bytes) return {};
  std::size_t first = 4;
  std::size_t last = 16;
  while (first < last && isBlank(bytes->bytes[first])) ++first;
  while (last > first && isBlank(bytes->bytes[last - 1])) --last;
  std::string name;
  for (std::size_t i = first; i < last; ++i) appendLatin1(name, bytes->bytes[i]);
  return name;
}

std::int64_t FanController::readFanValue(std::string_view key) {
  auto value = smc_.readKeyValue(key);
  // A speed with no integer form (NaN, infinite, beyond 64 bits) reads as
  // an unreadable one would.
  if (!value || !std::isfinite(*value) || *value >= 0x1p63 || *value < -0x1p63) return 0;
  return static_cast<std::int64_t>(*value);
}

void FanController::updateFans() { requests_.arrive(); }

std::vector<Fan> FanController::sample() {
  std::vector<Fan> fans;
  const int count = readFanCount();
  for (int index = 0; index < count; ++index) {
    std::string actual = key("F%dAc", index);
    std::string minimum = key("F%dMn", index);
    std::string maximum = key("F%dMx", index);
    std::string target = key("F%dTg", index);
    std::int64_t rpm = readFanValue(actual);
    if (smc_.timedOut()) continue;
    std::string name = readFanName(index);
    if (name.empty()) name = localizedName(SensorType::fan, bundle_);
    std::int64_t min = readFanValue(minimum);
    std::int64_t max = readFanValue(maximum);
    std::int64_t tg = readFanValue(target);
    fans.emplace_back(std::move(actual), std::move(name), rpm, min, max, tg);
  }
  return fans;
}

}  // namespace tellwick
