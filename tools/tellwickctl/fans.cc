// "tellwickctl fans": every fan's speeds in rpm.
#include "protocol/record_coding.h"
#include "tools/tellwickctl/category.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {
namespace {

ListView fansView(IHelperDataModel& store) {
  return listView(store.fans(), encodeFans,
                  {{"IDENTIFIER", Align::left},
                   {"NAME", Align::left},
                   {"RPM", Align::right},
                   {"MIN", Align::right},
                   {"MAX", Align::right},
                   {"TARGET", Align::right}},
                  [](const Fan& f) -> std::vector<std::string> {
                    return {f.identifier, f.name, std::to_string(f.rpm), std::to_string(f.min),
                            std::to_string(f.max), std::to_string(f.target)};
                  });
}

constexpr StoreList kLists[] = {{SensorDataModelKey::fans, "Fans", &fansView}};

}  // namespace

extern const Category kFans;
const Category kFans{*helperCategory("fans"), kLists};

}  // namespace tellwick::ctl
