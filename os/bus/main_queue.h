#ifndef TELLWICK_OS_BUS_MAIN_QUEUE_H_
#define TELLWICK_OS_BUS_MAIN_QUEUE_H_

#include <functional>
#include <memory>

namespace tellwick::os {

// A descriptor the main loop watches; destroying it ends the watch.
class LoopWatch {
 public:
  LoopWatch() = default;
  LoopWatch(const LoopWatch&) = delete;
  LoopWatch& operator=(const LoopWatch&) = delete;
  virtual ~LoopWatch() = default;
};

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

  // Calls onReadable on the loop's thread whenever fd has something to read,
  // ahead of other work ready at the same time, until the watch returned is
  // destroyed; fd must stay open that long, and onReadable must read what is
  // there, or it is called again at once. nullptr when the loop cannot
  // watch fd. Main thread.
  virtual std::unique_ptr<LoopWatch> watchReadable(int fd, std::function<void()> onReadable) = 0;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_MAIN_QUEUE_H_
