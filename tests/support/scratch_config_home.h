#ifndef TELLWICK_TESTS_SUPPORT_SCRATCH_CONFIG_HOME_H_
#define TELLWICK_TESTS_SUPPORT_SCRATCH_CONFIG_HOME_H_

#include <filesystem>
#include <string>

#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

// Points HOME at a scratch directory and XDG_CONFIG_HOME at its "config"
// subdirectory for the life of the object; both are restored afterwards.
class ScratchConfigHome {
 public:
  const std::filesystem::path& root() const { return root_.path(); }
  std::filesystem::path config() const { return root() / "config"; }
  std::filesystem::path domainFile(const std::string& suite) const {
    return config() / (suite + ".plist");
  }

 private:
  ScratchDirectory root_{"tellwick-defaults"};
  ScopedEnvironmentVariable xdg_{"XDG_CONFIG_HOME", config().string()};
  ScopedEnvironmentVariable home_{"HOME", root().string()};
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_SCRATCH_CONFIG_HOME_H_
