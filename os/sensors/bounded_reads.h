#ifndef TELLWICK_OS_SENSORS_BOUNDED_READS_H_
#define TELLWICK_OS_SENSORS_BOUNDED_READS_H_

// For the Linux sensor implementations only: reads of hardware attributes
// that may block for seconds or for good (a slow I2C controller, a disk
// woken to report its temperature, a driver stuck in firmware), run on
// threads of their own so that each costs its caller a bounded wait.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tellwick::os {

// How long a read is waited for: up to wait; once timeoutsPerWindow reads
// have timed out within window, up to quickWait, enough for any read that
// does not block. So a run of reads taking at most window spends at most
// 3 × 2 s waiting on reads that block, however many do.
struct ReadLimits {
  std::chrono::milliseconds wait{2000};
  std::chrono::milliseconds quickWait{50};
  int timeoutsPerWindow = 3;
  std::chrono::milliseconds window{8000};
};

class BoundedReads {
 public:
  explicit BoundedReads(ReadLimits limits = {});
  BoundedReads(const BoundedReads&) = delete;
  BoundedReads& operator=(const BoundedReads&) = delete;
  // Waits for the reads that still run, those given up on included.
  ~BoundedReads();

  // read() run on a reader thread, waited for up to the limit. nullopt when
  // it gave none, and when it did not end in time (*timedOut is then set):
  // it goes on, and until it ends every read of the same group (a chip)
  // fails at once, as it would block behind the first. Any thread.
  template <typename T>
  std::optional<T> run(const std::string& group, std::function<std::optional<T>()> read,
                       bool* timedOut = nullptr) {
    auto result = std::make_shared<std::optional<T>>();
    const bool ended = runErased(group, [result, read = std::move(read)] { *result = read(); });
    if (timedOut) *timedOut = !ended;
    return ended ? std::move(*result) : std::nullopt;
  }

  // read(0) to read(count - 1) in order, on one reader thread, waited for
  // as one read: what each gave, and nullopt from the first that did not
  // end in time on (*timedOut is then set). One hand-off to a reader for a
  // whole chip, where one per reading would cost more than the reads. Any
  // thread.
  template <typename T>
  std::vector<std::optional<T>> runEach(const std::string& group, std::size_t count,
                                        std::function<std::optional<T>(std::size_t)> read,
                                        bool* timedOut = nullptr) {
    struct Taken {
      std::mutex mutex;
      std::vector<std::optional<T>> values;
      bool closed = false;  // the caller went: a read that ends late reads no more
    };
    auto taken = std::make_shared<Taken>();
    taken->values.resize(count);
    const bool ended = runErased(group, [taken, count, read = std::move(read)] {
      for (std::size_t i = 0; i < count; ++i) {
        auto value = read(i);
        std::lock_guard lock(taken->mutex);
        if (taken->closed) return;
        taken->values[i] = std::move(value);
      }
    });
    if (timedOut) *timedOut = !ended;
    std::lock_guard lock(taken->mutex);
    taken->closed = true;
    return std::move(taken->values);
  }

  // Whether no read runs now, given up on or not. Any thread.
  bool idle() const;

 private:
  struct Shared;
  static void serve(std::shared_ptr<Shared> shared);
  bool runErased(const std::string& group, std::function<void()> read);

  ReadLimits limits_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SENSORS_BOUNDED_READS_H_
