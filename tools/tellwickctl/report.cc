#include "tools/tellwickctl/report.h"

#include "os/utf8.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {

std::string humanReport(std::span<const Category* const> categories, IHelperDataModel& store,
                        const ReadFailure& failure, const NotStored& notStored) {
  std::string out;
  for (const Category* category : categories) {
    const auto unstored = notStored.find(category);
    for (const StoreList& list : category->lists) {
      if (!out.empty()) out += "\n";
      if (unstored != notStored.end()) {
        out += std::string(list.heading) + "\n  not stored: " + printableText(unstored->second) + "\n";
        continue;
      }
      const ListView view = list.read(store);
      out += std::string(list.heading);
      if (view.source) out += " from " + *view.source;
      out += "\n";
      if (auto why = failure ? failure(list.key) : std::nullopt) {
        out += "  cannot be read: " + *why + "\n";
      } else {
        out += view.table.empty() ? "  none reported\n" : view.table;
      }
    }
  }
  return out;
}

std::string jsonReport(std::span<const Category* const> categories, IHelperDataModel& store,
                       const NotStored& notStored) {
  Json document = Json::object();
  for (const Category* category : categories) {
    for (const StoreList& list : category->lists) {
      ListView view = notStored.contains(category) ? ListView{nullptr, {}} : list.read(store);
      document[std::string(rawValue(list.key))] = std::move(view.json);
      // The sensors come from a different path on different machines; a
      // reader is told which, or null when the list cannot say.
      if (list.key == SensorDataModelKey::sensors) {
        document["source"] = view.source ? Json(*view.source) : Json(nullptr);
      }
    }
  }
  return jsonText(document);
}

}  // namespace tellwick::ctl
