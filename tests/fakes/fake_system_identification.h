#ifndef TELLWICK_TESTS_FAKES_FAKE_SYSTEM_IDENTIFICATION_H_
#define TELLWICK_TESTS_FAKES_FAKE_SYSTEM_IDENTIFICATION_H_

#include <string>

#include "os/system_identification.h"

namespace tellwick::testing {

// Reports whatever machine name the test sets.
class FakeSystemIdentification final : public os::SystemIdentification {
 public:
  std::string machine() override { return machine_; }
  void setMachine(std::string machine) { machine_ = std::move(machine); }

 private:
  std::string machine_ = "x86_64";
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_SYSTEM_IDENTIFICATION_H_
