#include "tools/tellwickctl/report.h"

namespace tellwick::ctl {

std::string humanReport(std::span<const Category* const> categories, IHelperDataModel& store) {
  std::string out;
  for (const Category* category : categories) {
    for (const StoreList& list : category->lists) {
      if (!out.empty()) out += "\n";
      out += std::string(list.heading) + "\n";
      std::string table = list.read(store).table;
      out += table.empty() ? "  none reported\n" : table;
    }
  }
  return out;
}

std::string jsonReport(std::span<const Category* const> categories, IHelperDataModel& store) {
  Json document = Json::object();
  for (const Category* category : categories) {
    for (const StoreList& list : category->lists) {
      document[std::string(rawValue(list.key))] = list.read(store).json;
    }
  }
  return document.dump(2) + "\n";
}

}  // namespace tellwick::ctl
