#ifndef TELLWICK_OS_STORE_PROPERTY_LIST_H_
#define TELLWICK_OS_STORE_PROPERTY_LIST_H_

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tellwick::os {

// The in-memory form of a property list, independent of any file format.
// Records encode into it and decode from it; a PropertyListCoder turns it
// into bytes and back.
struct PlistValue;

using PlistArray = std::vector<PlistValue>;
// Keys keep the order in which they were written, as a keyed encoder emits them.
using PlistDictionary = std::vector<std::pair<std::string, PlistValue>>;
using PlistData = std::vector<std::uint8_t>;

// The coder's explicit "absent": property lists have no null, so it is stored
// as the string "$null" and that string reads back as PlistNull.
struct PlistNull {
  bool operator==(const PlistNull&) const = default;
};

struct PlistValue {
  using Storage = std::variant<PlistNull, bool, std::int64_t, std::uint64_t, double, std::string,
                               PlistData, PlistArray, PlistDictionary>;
  Storage storage;

  PlistValue() = default;
  template <typename T>
    requires std::is_constructible_v<Storage, T&&>
  PlistValue(T&& value) : storage(std::forward<T>(value)) {}  // NOLINT: implicit by design
  PlistValue(const char* text) : storage(std::string(text)) {}  // NOLINT
  PlistValue(int value) : storage(static_cast<std::int64_t>(value)) {}  // NOLINT

  template <typename T>
  const T* get() const {
    return std::get_if<T>(&storage);
  }
  template <typename T>
  bool is() const {
    return std::holds_alternative<T>(storage);
  }
  bool operator==(const PlistValue&) const = default;
};

// Returns the value stored under key, or nullptr when the key is missing.
inline const PlistValue* findKey(const PlistDictionary& dictionary, std::string_view key) {
  for (const auto& [k, v] : dictionary) {
    if (k == key) return &v;
  }
  return nullptr;
}

}  // namespace tellwick::os

#endif  // TELLWICK_OS_STORE_PROPERTY_LIST_H_
