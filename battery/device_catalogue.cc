#include "battery/device_catalogue.h"

#include <nlohmann/json.hpp>

namespace tellwick {
namespace {

constexpr std::size_t kMaxCatalogueBytes = 1 << 20;
constexpr std::size_t kMaxText = 256;

std::optional<CatalogueKind> kindFromText(const std::string& text) {
  if (text == "phone") return CatalogueKind::phone;
  if (text == "player") return CatalogueKind::player;
  if (text == "tablet") return CatalogueKind::tablet;
  if (text == "watch") return CatalogueKind::watch;
  return std::nullopt;
}

std::optional<std::string> shortText(const nlohmann::json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return std::nullopt;
  const auto& text = it->get_ref<const std::string&>();
  if (text.size() > kMaxText) return std::nullopt;
  return text;
}

}  // namespace

DeviceCatalogue DeviceCatalogue::fromJson(std::string_view json) {
  DeviceCatalogue catalogue;
  if (json.size() > kMaxCatalogueBytes) return catalogue;
  auto root = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) return catalogue;
  for (const auto& [identifier, value] : root.items()) {
    if (!value.is_object() || identifier.size() > kMaxText) continue;
    auto kindText = shortText(value, "kind");
    auto name = shortText(value, "name");
    auto shortName = shortText(value, "shortName");
    if (!kindText || !name || !shortName) continue;
    auto kind = kindFromText(*kindText);
    if (!kind) continue;
    catalogue.entries_[identifier] = {*kind, *name, *shortName, shortText(value, "icon")};
  }
  return catalogue;
}

DeviceCatalogue DeviceCatalogue::load(const os::ResourceBundle& bundle) {
  auto path = bundle.pathForResource("DeviceCatalogue", "json");
  if (!path) return {};
  auto bytes = bundle.readResource(*path);
  if (!bytes) return {};
  return fromJson(*bytes);
}

const CatalogueEntry* DeviceCatalogue::find(std::string_view identifier) const {
  auto it = entries_.find(std::string(identifier));
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace tellwick
