#ifndef TELLWICK_TESTS_FAKES_FAKE_DESKTOP_H_
#define TELLWICK_TESTS_FAKES_FAKE_DESKTOP_H_

#include <string>
#include <vector>

#include "os/desktop/desktop.h"

namespace tellwick::testing {

// Records what it was asked to open.
class FakeDesktop final : public os::Desktop {
 public:
  const std::vector<std::string>& opened() const { return opened_; }
  os::Status open(const std::string& target) override { opened_.push_back(target); return {}; }

 private:
  std::vector<std::string> opened_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_DESKTOP_H_
