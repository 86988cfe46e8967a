// "tellwickctl batteries": the Bluetooth devices with one battery (a pair
// of earbuds' case among them), then those with two.
#include "protocol/record_coding.h"
#include "tools/tellwickctl/category.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {
namespace {

ListView singleView(IHelperDataModel& store) {
  return listView(store.singleBatteryDevices(), encodeSingleBatteryDevices,
                  {{"NAME", Align::left},
                   {"TYPE", Align::left},
                   {"LEVEL", Align::right},
                   {"CHARGING", Align::left},
                   {"MANUFACTURER", Align::left},
                   {"SERIAL", Align::left}},
                  [](const auto& d) -> std::vector<std::string> {
                    return {d->name(), std::string(rawValue(d->type())), levelText(d->batteryLevel()),
                            d->isCharging() ? "yes" : "no", d->manufacturer().value_or("-"),
                            d->serial()};
                  });
}

ListView doubleView(IHelperDataModel& store) {
  return listView(store.doubleBatteryDevices(), encodeDoubleBatteryDevices,
                  {{"NAME", Align::left},
                   {"TYPE", Align::left},
                   {"LEFT", Align::right},
                   {"RIGHT", Align::right},
                   {"LEVEL", Align::right},
                   {"CHARGING", Align::left},
                   {"MANUFACTURER", Align::left},
                   {"SERIAL", Align::left}},
                  [](const auto& d) -> std::vector<std::string> {
                    return {d->name(), std::string(rawValue(d->type())), levelText(d->firstLevel()),
                            levelText(d->secondLevel()), levelText(d->batteryLevel()),
                            d->isCharging() ? "yes" : "no", d->manufacturer().value_or("-"), d->serial()};
                  });
}

constexpr StoreList kLists[] = {
    {SensorDataModelKey::singleBatteryDevices, "Single battery devices", &singleView},
    {SensorDataModelKey::doubleBatteryDevices, "Double battery devices", &doubleView},
};

}  // namespace

extern const Category kBatteries;
const Category kBatteries{*helperCategory("batteries"), kLists};

}  // namespace tellwick::ctl
