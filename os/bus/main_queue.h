#ifndef TELLWICK_OS_BUS_MAIN_QUEUE_H_
#define TELLWICK_OS_BUS_MAIN_QUEUE_H_

#include <functional>

namespace tellwick::os {

// Hands work to the thread that runs the main loop.
class MainQueue {
 public:
  MainQueue() = default;
  MainQueue(const MainQueue&) = delete;
  MainQueue& operator=(const MainQueue&) = delete;
  virtual ~MainQueue() = default;

  // Queues work to run on the loop's thread, after whatever handler is
  // running there, in the order queued. Never runs work before returning.
  // Work queued once the loop has stopped for good is dropped, never run.
  // Any thread.
  virtual void dispatch(std::function<void()> work) = 0;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_MAIN_QUEUE_H_
