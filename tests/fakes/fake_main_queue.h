#ifndef TELLWICK_TESTS_FAKES_FAKE_MAIN_QUEUE_H_
#define TELLWICK_TESTS_FAKES_FAKE_MAIN_QUEUE_H_

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "os/bus/main_queue.h"

namespace tellwick::testing {

// Holds dispatched work until the test plays the loop with runAll. Work may
// be dispatched from any thread, as the real queue allows.
class FakeMainQueue final : public os::MainQueue {
 public:
  void dispatch(std::function<void()> work) override {
    std::lock_guard lock(mutex_);
    if (!stopped_) work_.push_back(std::move(work));
  }

  // The loop has stopped for good: queued and later work is dropped.
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    work_.clear();
  }

  // Nothing arrives on a descriptor in a test's loop.
  std::unique_ptr<os::LoopWatch> watchReadable(int, std::function<void()>) override {
    return std::make_unique<os::LoopWatch>();
  }

  // Runs queued work, including work queued meanwhile.
  void runAll() {
    while (auto work = next()) work();
  }

 private:
  std::function<void()> next() {
    std::lock_guard lock(mutex_);
    if (work_.empty()) return {};
    auto work = std::move(work_.front());
    work_.pop_front();
    return work;
  }

  std::mutex mutex_;
  std::deque<std::function<void()>> work_;
  bool stopped_ = false;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_MAIN_QUEUE_H_
