#ifndef TELLWICK_TESTS_FAKES_FAKE_IO_REGISTRY_H_
#define TELLWICK_TESTS_FAKES_FAKE_IO_REGISTRY_H_

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/power/io_registry.h"

namespace tellwick::testing {

// Entries held in memory: services listed by class in the order added, and
// plain entries (parents) that belong to no class. Entries can change or go
// away between calls.
class FakeIoRegistry final : public os::IoRegistry {
 public:
  // A new entry of className (empty: of no class) under parent; its id.
  os::RegistryEntry add(const std::string& className, os::PlistDictionary properties,
                        os::RegistryEntry parent = os::kNoRegistryEntry) {
    entries_.push_back({className, std::move(properties), parent, true});
    return entries_.size();
  }
  // A parent whose "IOProviderClass" is providerClass.
  os::RegistryEntry addController(const std::string& providerClass) {
    return add("", {{std::string(os::kIOProviderClassKey), providerClass}});
  }
  void set(os::RegistryEntry entry, const std::string& key, os::PlistValue value) {
    auto& properties = at(entry).properties;
    auto it = std::ranges::find(properties, key, &os::PlistDictionary::value_type::first);
    if (it == properties.end()) it = properties.insert(it, {key, {}});
    it->second = std::move(value);
  }
  void erase(os::RegistryEntry entry, const std::string& key) {
    std::erase_if(at(entry).properties, [&](const auto& e) { return e.first == key; });
  }
  // The entry is no longer listed and reads as gone.
  void remove(os::RegistryEntry entry) { at(entry).present = false; }

  os::Result<std::vector<os::RegistryEntry>> matchingServices(std::string_view className) override {
    std::vector<os::RegistryEntry> found;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].present && !className.empty() && entries_[i].className == className) {
        found.push_back(i + 1);
      }
    }
    return found;
  }
  std::optional<os::RegistryEntry> parentEntry(os::RegistryEntry entry) override {
    const Entry* e = live(entry);
    if (!e || !live(e->parent)) return std::nullopt;
    return e->parent;
  }
  std::optional<os::PlistValue> property(os::RegistryEntry entry, std::string_view key) override {
    const Entry* e = live(entry);
    if (!e) return std::nullopt;
    if (const auto* value = os::findKey(e->properties, key)) return *value;
    return std::nullopt;
  }
  std::optional<os::PlistDictionary> properties(os::RegistryEntry entry) override {
    const Entry* e = live(entry);
    if (!e) return std::nullopt;
    return e->properties;
  }

 private:
  struct Entry {
    std::string className;
    os::PlistDictionary properties;
    os::RegistryEntry parent;
    bool present;
  };
  Entry& at(os::RegistryEntry entry) { return entries_.at(entry - 1); }
  const Entry* live(os::RegistryEntry entry) const {
    if (entry == os::kNoRegistryEntry || entry > entries_.size()) return nullptr;
    const Entry& e = entries_[entry - 1];
    return e.present ? &e : nullptr;
  }

  std::vector<Entry> entries_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_IO_REGISTRY_H_
