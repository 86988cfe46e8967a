#ifndef TELLWICK_PLATFORM_SAMPLED_REQUESTS_H_
#define TELLWICK_PLATFORM_SAMPLED_REQUESTS_H_

#include <functional>
#include <utility>

#include "os/bus/main_queue.h"
#include "platform/pending_requests.h"
#include "platform/sample_worker.h"

namespace tellwick {

// The requests of one hardware category: sampled on a worker of their own,
// one sample at a time, each sample answering every request that waited
// for it. Declare it last in its owner, so that it stops first, with the
// sample in hand, while what the sample reads still exists. Main thread.
template <typename Sample>
class SampledRequests {
 public:
  // sample runs on the worker; deliver runs on loop's thread with the
  // sample and how many requests it answers. loop as for SampleWorker.
  SampledRequests(os::MainQueue* loop, std::function<Sample()> sample,
                  std::function<void(const Sample&, int answered)> deliver)
      : sample_(std::move(sample)),
        deliver_(std::move(deliver)),
        requests_([this] {
          worker_.run([this] { sampled_ = sample_(); }, [this] { deliver_(sampled_, requests_.finish()); });
        }),
        worker_(loop) {}

  void arrive() { requests_.arrive(); }
  // Waits for the sample in hand; later requests are dropped.
  void stop() { worker_.stop(); }

 private:
  std::function<Sample()> sample_;
  std::function<void(const Sample&, int)> deliver_;
  Sample sampled_{};
  PendingRequests requests_;
  SampleWorker worker_;  // last: it goes first
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_SAMPLED_REQUESTS_H_
