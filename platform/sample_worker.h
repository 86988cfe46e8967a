#ifndef TELLWICK_PLATFORM_SAMPLE_WORKER_H_
#define TELLWICK_PLATFORM_SAMPLE_WORKER_H_

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "os/bus/main_queue.h"

namespace tellwick {

// Takes one category's hardware samples off the main loop, onto a thread of
// its own, so that a reading that takes seconds delays that category only:
// every other request is answered meanwhile, and so is SIGTERM. One sample
// at a time (PendingRequests sees to that); the thread starts with the first
// sample, so an idle helper has none.
class SampleWorker {
 public:
  // loop, when given, must outlive the worker and receives the completions;
  // without one, each sample and its completion run before run returns.
  explicit SampleWorker(os::MainQueue* loop) : loop_(loop) {}
  SampleWorker(const SampleWorker&) = delete;
  SampleWorker& operator=(const SampleWorker&) = delete;
  ~SampleWorker() { stop(); }

  // Runs sample on the worker's thread, then done on the loop's thread.
  // Main thread.
  void run(std::function<void()> sample, std::function<void()> done);

  // Waits for the sample in hand, if any, and ends the thread; later runs
  // are dropped. Main thread.
  void stop();

 private:
  void serve();

  os::MainQueue* loop_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> sample_;
  std::function<void()> done_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_SAMPLE_WORKER_H_
