#include "protocol/json_value.h"

#include <nlohmann/json.hpp>

namespace tellwick {
namespace {

using Json = nlohmann::ordered_json;

// Deeper nesting than any record needs is refused, so that a hostile file
// cannot exhaust the stack in this recursion.
constexpr int kMaxDepth = 128;

os::PlistValue convert(const Json& json, int depth, bool& tooDeep) {
  if (depth > kMaxDepth) {
    tooDeep = true;
    return os::PlistNull{};
  }
  switch (json.type()) {
    case Json::value_t::boolean: return json.get<bool>();
    case Json::value_t::number_integer: return json.get<std::int64_t>();
    case Json::value_t::number_unsigned: {
      auto value = json.get<std::uint64_t>();
      if (std::in_range<std::int64_t>(value)) return static_cast<std::int64_t>(value);
      return value;
    }
    case Json::value_t::number_float: return json.get<double>();
    case Json::value_t::string: return json.get<std::string>();
    case Json::value_t::array: {
      os::PlistArray array;
      array.reserve(json.size());
      for (const auto& element : json) array.push_back(convert(element, depth + 1, tooDeep));
      return array;
    }
    case Json::value_t::object: {
      os::PlistDictionary dictionary;
      dictionary.reserve(json.size());
      for (const auto& [key, value] : json.items()) dictionary.emplace_back(key, convert(value, depth + 1, tooDeep));
      return dictionary;
    }
    default: return os::PlistNull{};
  }
}

}  // namespace

std::optional<os::PlistValue> plistValueFromJson(std::string_view text) {
  Json json = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (json.is_discarded()) return std::nullopt;
  bool tooDeep = false;
  os::PlistValue value = convert(json, 0, tooDeep);
  if (tooDeep) return std::nullopt;
  return value;
}

}  // namespace tellwick
