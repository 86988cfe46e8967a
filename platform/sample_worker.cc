#include "platform/sample_worker.h"

#include <utility>

namespace tellwick {

void SampleWorker::run(std::function<void()> sample, std::function<void()> done) {
  if (!loop_) {
    sample();
    done();
    return;
  }
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  sample_ = std::move(sample);
  done_ = std::move(done);
  if (!thread_.joinable()) thread_ = std::thread([this] { serve(); });
  changed_.notify_one();
}

void SampleWorker::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void SampleWorker::serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return sample_ || stopping_; });
    if (!sample_) return;
    auto sample = std::exchange(sample_, nullptr);
    auto done = std::exchange(done_, nullptr);
    lock.unlock();
    sample();
    lock.lock();
    if (!stopping_) loop_->dispatch(std::move(done));
  }
}

}  // namespace tellwick
