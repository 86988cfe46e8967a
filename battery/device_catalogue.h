#ifndef TELLWICK_BATTERY_DEVICE_CATALOGUE_H_
#define TELLWICK_BATTERY_DEVICE_CATALOGUE_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "os/files/resource_bundle.h"

namespace tellwick {

enum class CatalogueKind { phone, player, tablet, watch };

struct CatalogueEntry {
  CatalogueKind kind = CatalogueKind::phone;
  std::string name;                 // "iPhone 15 Pro"
  std::string shortName;            // "15 Pro"
  std::optional<std::string> icon;  // an image file name in the bundle
};

// Model identifiers of phones, music players, tablets and watches
// ("iPhone16,1", "iPad14,1", "Watch7,1", "iPod9,1") and what they are.
// Immutable once built; any thread.
class DeviceCatalogue {
 public:
  DeviceCatalogue() = default;

  // From the JSON object {identifier: {"kind": "phone"|"player"|"tablet"|
  // "watch", "name": text, "shortName": text, "icon": text (optional)}}.
  // Entries that do not have that shape are skipped; text that is not such
  // an object, or longer than 1 MiB, gives an empty catalogue.
  static DeviceCatalogue fromJson(std::string_view json);
  // The bundle's "DeviceCatalogue.json"; empty when it is missing or damaged.
  static DeviceCatalogue load(const os::ResourceBundle& bundle);

  // Exact, case-sensitive identifier lookup; nullptr when unknown.
  const CatalogueEntry* find(std::string_view identifier) const;
  bool isPhone(std::string_view identifier) const { return is(identifier, CatalogueKind::phone); }
  bool isPlayer(std::string_view identifier) const { return is(identifier, CatalogueKind::player); }
  bool isTablet(std::string_view identifier) const { return is(identifier, CatalogueKind::tablet); }
  bool isWatch(std::string_view identifier) const { return is(identifier, CatalogueKind::watch); }
  std::size_t size() const { return entries_.size(); }

 private:
  bool is(std::string_view identifier, CatalogueKind kind) const {
    const auto* entry = find(identifier);
    return entry != nullptr && entry->kind == kind;
  }
  std::unordered_map<std::string, CatalogueEntry> entries_;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_DEVICE_CATALOGUE_H_
