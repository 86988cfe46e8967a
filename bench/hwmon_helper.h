#ifndef TELLWICK_BENCH_HWMON_HELPER_H_
#define TELLWICK_BENCH_HWMON_HELPER_H_

#include <string>
#include <vector>

#include "bench/served_helper.h"

namespace tellwick::testing {

// The helper in whatever device tree this process sees: a umockdev test bed
// or umockdev-run hand their preload on to it. environment() is what another
// program needs to see the same tree, bus and store.
struct HwmonHelper : ServedHelper {
  HwmonHelper() : ServedHelper("hwmon-helper") {
    start({std::string(TELLWICK_BIN_DIR) + "/tellwick"}, environment());
  }

  std::vector<std::string> environment() const {
    std::vector<std::string> out;
    for (auto& variable : environmentSnapshot()) {
      if (!variable.starts_with("XDG_CONFIG_HOME=") && !variable.starts_with("HOME=") &&
          !variable.starts_with("PATH=")) {
        out.push_back(std::move(variable));
      }
    }
    for (auto& variable : storeAndPath()) out.push_back(std::move(variable));
    return out;
  }
};

}  // namespace tellwick::testing

#endif  // TELLWICK_BENCH_HWMON_HELPER_H_
