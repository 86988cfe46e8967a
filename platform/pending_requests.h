#ifndef TELLWICK_PLATFORM_PENDING_REQUESTS_H_
#define TELLWICK_PLATFORM_PENDING_REQUESTS_H_

#include <functional>

namespace tellwick {

// Requests for one tool-backed category, answered without ever running the
// tool twice at once: requests that arrive while a run is going wait for
// the next run, which starts when the current one ends and answers all of
// them. So a hanging tool costs one child, however often it is asked for.
// Main thread.
class PendingRequests {
 public:
  // startRun begins one run; the run must call finish exactly once when it
  // is over (before startRun returns, or later).
  explicit PendingRequests(std::function<void()> startRun) : startRun_(std::move(startRun)) {}

  // Counts one request and starts a run if none is going.
  void arrive() {
    ++queued_;
    if (!running_) next();
  }

  // Ends the current run; returns how many requests it answers (the caller
  // posts one response each), after starting the run for those that came
  // meanwhile. The count is fixed before that run can finish in turn.
  int finish() {
    int answered = answering_;
    answering_ = 0;
    running_ = false;
    if (queued_ > 0 && !inStart_) next();
    return answered;
  }

 private:
  void next() {
    // A run that finishes inside startRun must not start the next one from
    // within: the loop here picks it up instead of recursing.
    while (queued_ > 0 && !running_) {
      answering_ = queued_;
      queued_ = 0;
      running_ = true;
      inStart_ = true;
      startRun_();
      inStart_ = false;
    }
  }

  std::function<void()> startRun_;
  int answering_ = 0;
  int queued_ = 0;
  bool running_ = false;
  bool inStart_ = false;
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_PENDING_REQUESTS_H_
