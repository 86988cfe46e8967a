// "tellwickctl traffic": bytes sent and received per process.
#include "protocol/record_coding.h"
#include "tools/tellwickctl/category.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {
namespace {

ListView trafficView(IHelperDataModel& store) {
  return listView(store.traffic(), encodeTraffic,
                  {{"PID", Align::right},
                   {"NAME", Align::left},
                   {"SENT", Align::right},
                   {"RECEIVED", Align::right}},
                  [](const ProcessTrafficInfo& t) -> std::vector<std::string> {
                    return {std::to_string(t.pid()), t.name(), bytesText(t.sent()),
                            bytesText(t.received())};
                  });
}

constexpr StoreList kLists[] = {{SensorDataModelKey::traffic, "Traffic", &trafficView}};

}  // namespace

extern const Category kTraffic;
const Category kTraffic{*helperCategory("traffic"), kLists};

}  // namespace tellwick::ctl
