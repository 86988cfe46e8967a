#include "protocol/helper_categories.h"

#include <algorithm>

#include "protocol/helper_notifications.h"

namespace tellwick {
namespace {

using Key = SensorDataModelKey;
constexpr Key kSensorKeys[] = {Key::sensors};
constexpr Key kFanKeys[] = {Key::fans};
constexpr Key kTrafficKeys[] = {Key::traffic};
constexpr Key kBatteryKeys[] = {Key::singleBatteryDevices, Key::doubleBatteryDevices};

constexpr HelperCategory kCategories[] = {
    {"sensors", HelperNotifications::requestSensors, HelperNotifications::responseSensors, kSensorKeys},
    {"fans", HelperNotifications::requestFans, HelperNotifications::responseFans, kFanKeys},
    {"traffic", HelperNotifications::requestTraffic, HelperNotifications::responseTraffic, kTrafficKeys},
    {"batteries", HelperNotifications::requestBatteries, HelperNotifications::responseBatteries, kBatteryKeys},
};

}  // namespace

std::span<const HelperCategory> helperCategories() { return kCategories; }

const HelperCategory* helperCategory(std::string_view name) {
  auto it = std::find_if(std::begin(kCategories), std::end(kCategories),
                         [&](const HelperCategory& c) { return c.name == name; });
  return it == std::end(kCategories) ? nullptr : it;
}

}  // namespace tellwick
