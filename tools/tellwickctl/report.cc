#include "tools/tellwickctl/report.h"

namespace tellwick::ctl {

std::string humanReport(std::span<const Category* const> categories, IHelperDataModel& store,
                        const ReadFailure& failure) {
  std::string out;
  for (const Category* category : categories) {
    for (const StoreList& list : category->lists) {
      if (!out.empty()) out += "\n";
      out += std::string(list.heading) + "\n";
      std::string table = list.read(store).table;
      if (auto why = failure ? failure(list.key) : std::nullopt) {
        out += "  cannot be read: " + *why + "\n";
      } else {
        out += table.empty() ? "  none reported\n" : table;
      }
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
  // What a file holds must never abort the dump.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tellwick::ctl
