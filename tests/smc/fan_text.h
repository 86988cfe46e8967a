#ifndef TELLWICK_TESTS_SMC_FAN_TEXT_H_
#define TELLWICK_TESTS_SMC_FAN_TEXT_H_

#include <string>
#include <vector>

#include "protocol/fan.h"

namespace tellwick::testing {

// One line per fan: "identifier name: rpm min max target", so a whole
// answer compares as one string.
inline std::string fanText(const std::vector<Fan>& fans) {
  std::string out;
  for (const Fan& f : fans) {
    out += f.identifier + " " + f.name + ": " + std::to_string(f.rpm) + " " +
           std::to_string(f.min) + " " + std::to_string(f.max) + " " + std::to_string(f.target) +
           "\n";
  }
  return out;
}

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SMC_FAN_TEXT_H_
