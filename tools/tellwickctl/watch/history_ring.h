#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_HISTORY_RING_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_HISTORY_RING_H_

#include <cstddef>
#include <vector>

namespace tellwick::watch {

// The most recent readings of one sensor, oldest first, never more than its
// capacity: once full, each new reading replaces the oldest. A missing
// reading is kept as NaN so that the graph shows a gap where it belongs.
// Single precision is plenty for a graph a few dozen dots high and halves
// the memory of an hour at short intervals. One thread.
class HistoryRing {
 public:
  // capacity 0 is taken as 1.
  explicit HistoryRing(std::size_t capacity);

  void push(float value);
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  // Reading i, 0 the oldest; i < size().
  float at(std::size_t i) const { return buffer_[(start_ + i) % buffer_.size()]; }
  // Every reading, oldest first.
  std::vector<float> values() const;
  // The same into out, reusing its storage (the view redraws every interval).
  void copyTo(std::vector<float>& out) const;

  // Changes the bound, keeping the newest readings that fit.
  void setCapacity(std::size_t capacity);

  // How many readings span `seconds` at one reading per interval: an hour at
  // 1 s is 3600, at 0.2 s 18000. At least 1; an interval that is not
  // positive and finite counts as 1 s.
  static std::size_t capacityFor(double intervalSeconds, double seconds = 3600);

 private:
  std::vector<float> buffer_;  // grows up to capacity_, then wraps
  std::size_t capacity_;
  std::size_t start_ = 0;
  std::size_t size_ = 0;
};

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_HISTORY_RING_H_
