#ifndef TELLWICK_TESTS_FAKES_FAKE_SYSTEM_IDENTIFICATION_H_
#define TELLWICK_TESTS_FAKES_FAKE_SYSTEM_IDENTIFICATION_H_

#include <string>

#include "os/system_identification.h"

namespace tellwick::testing {

// Reports whatever machine name the test sets; counts the questions.
class FakeSystemIdentification final : public os::SystemIdentification {
 public:
  explicit FakeSystemIdentification(std::string machine = "x86_64") : machine_(std::move(machine)) {}

  std::string machine() override { return ++calls_, machine_; }

  void setMachine(std::string machine) { machine_ = std::move(machine); }
  int calls() const { return calls_; }

 private:
  std::string machine_;
  int calls_ = 0;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_SYSTEM_IDENTIFICATION_H_
