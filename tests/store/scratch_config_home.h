#ifndef TELLWICK_TESTS_STORE_SCRATCH_CONFIG_HOME_H_
#define TELLWICK_TESTS_STORE_SCRATCH_CONFIG_HOME_H_

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace tellwick::testing {

// Points HOME at a fresh directory and XDG_CONFIG_HOME at its "config"
// subdirectory for the life of the object; both are restored afterwards.
class ScratchConfigHome {
 public:
  ScratchConfigHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tellwick-defaults-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    saveAndSet("XDG_CONFIG_HOME", config().c_str(), savedXdg_);
    saveAndSet("HOME", root_.c_str(), savedHome_);
  }
  ScratchConfigHome(const ScratchConfigHome&) = delete;
  ScratchConfigHome& operator=(const ScratchConfigHome&) = delete;
  ~ScratchConfigHome() {
    restore("XDG_CONFIG_HOME", savedXdg_);
    restore("HOME", savedHome_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path config() const { return root_ / "config"; }
  std::filesystem::path domainFile(const std::string& suite) const {
    return config() / (suite + ".plist");
  }

 private:
  static void saveAndSet(const char* name, const char* value, std::optional<std::string>& saved) {
    if (const char* old = ::getenv(name)) saved = old;
    ::setenv(name, value, 1);
  }
  static void restore(const char* name, const std::optional<std::string>& saved) {
    if (saved) {
      ::setenv(name, saved->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }

  std::filesystem::path root_;
  std::optional<std::string> savedXdg_;
  std::optional<std::string> savedHome_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_STORE_SCRATCH_CONFIG_HOME_H_
