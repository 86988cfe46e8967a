#ifndef TELLWICK_TOOLS_TELLWICKCTL_CATEGORY_H_
#define TELLWICK_TOOLS_TELLWICKCTL_CATEGORY_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "os/store/property_list.h"
#include "protocol/helper_categories.h"
#include "protocol/helper_data_model.h"

namespace tellwick::ctl {

using Json = nlohmann::ordered_json;

// One stored list as tellwickctl shows it.
struct ListView {
  // The records under their coding keys; null when the list is missing or
  // cannot be read.
  Json json;
  // Aligned rows under a header line; empty when there is nothing to show.
  std::string table;
  // Which path of the helper produced the list, for a list whose producer
  // differs from machine to machine; nullopt when the list does not tell.
  std::optional<std::string> source = std::nullopt;
};

// One key of the shared store: its heading in the text report and how its
// list is read and shown.
struct StoreList {
  SensorDataModelKey key;
  std::string_view heading;
  ListView (*read)(IHelperDataModel& store);
};

// One kind of answer the helper gives, with how tellwickctl shows each of
// the store lists it rewrites. Each category is defined in its own file and
// listed once in commands.cc.
struct Category {
  const HelperCategory& helper;
  std::span<const StoreList> lists;
};

// The coded form of a record list as JSON; null when the list is absent.
Json plistJson(const os::PlistValue& value);
template <typename List, typename Encode>
Json listJson(const std::optional<List>& list, Encode encode) {
  if (!list) return nullptr;
  return plistJson(encode(*list));
}

// document as JSON text ending in a line break, on one line when indent is
// negative. Text that is not UTF-8 shows U+FFFD in place of the bad bytes;
// control characters are escaped.
std::string jsonText(const Json& document, int indent = 2);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_CATEGORY_H_
