#ifndef TELLWICK_TESTS_FAKES_MEMORY_FILE_SYSTEM_H_
#define TELLWICK_TESTS_FAKES_MEMORY_FILE_SYSTEM_H_

#include <map>
#include <set>
#include <string>
#include <vector>

#include "os/files/file_system.h"

namespace tellwick::testing {

// Files and folders in memory. A folder exists when it was made or holds a
// file; paths in unreadable() fail to read or list, as a folder without
// permissions would.
class MemoryFileSystem final : public os::FileSystem {
 public:
  void addFile(const std::string& path, std::string bytes) {
    files_[path] = std::move(bytes);
    addParents(path);
  }
  void addFolder(const std::string& path) {
    folders_.insert(path);
    addParents(path);
  }
  void clear() {
    files_.clear();
    folders_.clear();
    unreadable_.clear();
  }
  std::set<std::string>& unreadable() { return unreadable_; }
  int writes() const { return writes_; }

  bool exists(const std::string& path) override {
    return files_.contains(path) || folders_.contains(path);
  }

  os::Result<std::string> readFile(const std::string& path, std::size_t maxBytes) override {
    if (unreadable_.contains(path)) return os::failure("cannot open " + path + ": Permission denied");
    auto it = files_.find(path);
    if (it == files_.end()) {
      return os::failure(folders_.contains(path) ? path + " is not a regular file"
                                                 : "cannot open " + path + ": No such file or directory");
    }
    if (it->second.size() > maxBytes) return os::failure(path + " is too large");
    return it->second;
  }

  os::Result<std::vector<std::string>> listFolder(const std::string& path) override {
    if (unreadable_.contains(path)) return os::failure("cannot list " + path + ": Permission denied");
    if (!folders_.contains(path)) return os::failure("cannot list " + path + ": No such file or directory");
    std::set<std::string> names;
    auto collect = [&](const std::string& p) {
      if (p.size() > path.size() + 1 && p.starts_with(path + "/")) {
        names.insert(p.substr(path.size() + 1, p.find('/', path.size() + 1) - path.size() - 1));
      }
    };
    for (const auto& entry : files_) collect(entry.first);
    for (const auto& folder : folders_) collect(folder);
    return std::vector<std::string>(names.begin(), names.end());
  }

  os::Status makeFolders(const std::string& path) override {
    if (files_.contains(path)) return os::failure(path + " is not a folder");
    addFolder(path);
    return {};
  }

  os::Status replaceFile(const std::string& path, std::string_view bytes) override {
    std::string parent = path.substr(0, path.rfind('/'));
    if (!folders_.contains(parent)) return os::failure("cannot write next to " + path + ": No such file or directory");
    if (unreadable_.contains(parent)) return os::failure("cannot write next to " + path + ": Permission denied");
    ++writes_;
    files_[path] = std::string(bytes);
    return {};
  }

 private:
  void addParents(const std::string& path) {
    for (auto slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/', slash - 1)) {
      folders_.insert(path.substr(0, slash));
    }
  }

  std::map<std::string, std::string> files_;
  std::set<std::string> folders_;
  std::set<std::string> unreadable_;
  int writes_ = 0;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_MEMORY_FILE_SYSTEM_H_
