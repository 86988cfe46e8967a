#ifndef TELLWICK_TESTS_FAKES_FAKE_MAIN_QUEUE_H_
#define TELLWICK_TESTS_FAKES_FAKE_MAIN_QUEUE_H_

#include <deque>
#include <functional>
#include <utility>

#include "os/main_queue.h"

namespace tellwick::testing {

// Holds dispatched work until the test plays the loop with runAll.
class FakeMainQueue final : public os::MainQueue {
 public:
  void dispatch(std::function<void()> work) override { work_.push_back(std::move(work)); }

  // Runs queued work, including work queued meanwhile; returns how much ran.
  int runAll() {
    int ran = 0;
    while (!work_.empty()) {
      auto work = std::move(work_.front());
      work_.pop_front();
      work();
      ++ran;
    }
    return ran;
  }

  std::size_t pending() const { return work_.size(); }

 private:
  std::deque<std::function<void()>> work_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_MAIN_QUEUE_H_
