#ifndef TELLWICK_TESTS_FAKES_FAKE_RESOURCE_BUNDLE_H_
#define TELLWICK_TESTS_FAKES_FAKE_RESOURCE_BUNDLE_H_

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "os/files/resource_bundle.h"

namespace tellwick::testing {

// A bundle held in memory. Resources can be made unreadable midway.
class FakeResourceBundle final : public os::ResourceBundle {
 public:
  void addResource(const std::string& file, std::string bytes) {
    std::lock_guard lock(mutex_);
    files_[file] = std::move(bytes);
  }
  void setUnreadable(const std::string& file) {
    std::lock_guard lock(mutex_);
    unreadable_.insert(file);
  }
  void setString(const std::string& table, const std::string& key, std::string text) {
    std::lock_guard lock(mutex_);
    tables_[table][key] = std::move(text);
  }

  std::string location() const override { return "memory:"; }

  std::optional<std::string> pathForResource(std::string_view name,
                                             std::string_view extension) const override {
    std::string file = std::string(name) + "." + std::string(extension);
    if (name.empty() || file.find('/') != std::string::npos) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (!files_.contains(file)) return std::nullopt;
    return "memory:/" + file;
  }

  std::optional<std::string> readResource(const std::string& path) const override {
    std::string file = path.starts_with("memory:/") ? path.substr(8) : path;
    std::lock_guard lock(mutex_);
    auto it = files_.find(file);
    if (it == files_.end() || unreadable_.contains(file)) return std::nullopt;
    return it->second;
  }

  std::optional<std::string> localizedString(std::string_view table,
                                             std::string_view key) const override {
    std::lock_guard lock(mutex_);
    auto t = tables_.find(std::string(table));
    if (t == tables_.end()) return std::nullopt;
    auto k = t->second.find(std::string(key));
    if (k == t->second.end()) return std::nullopt;
    return k->second;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> files_;
  std::set<std::string> unreadable_;
  std::map<std::string, std::map<std::string, std::string>> tables_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_RESOURCE_BUNDLE_H_
