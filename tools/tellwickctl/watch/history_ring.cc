#include "tools/tellwickctl/watch/history_ring.h"

#include <algorithm>
#include <cmath>

namespace tellwick::watch {

HistoryRing::HistoryRing(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void HistoryRing::push(float value) {
  if (buffer_.size() < capacity_) {
    // Still growing: the ring has never wrapped, so start_ is 0. Growth is
    // bounded by hand so that a full ring holds no slack beyond its capacity.
    if (buffer_.size() == buffer_.capacity()) {
      buffer_.reserve(std::min(capacity_, std::max<std::size_t>(64, buffer_.size() * 2)));
    }
    buffer_.push_back(value);
    ++size_;
    return;
  }
  buffer_[start_] = value;
  start_ = (start_ + 1) % buffer_.size();
}

std::vector<float> HistoryRing::values() const {
  std::vector<float> out;
  copyTo(out);
  return out;
}

void HistoryRing::copyTo(std::vector<float>& out) const {
  // Two contiguous stretches: from the oldest to the end, then the wrap.
  auto split = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
  out.assign(split, buffer_.end());
  out.insert(out.end(), buffer_.begin(), split);
}

void HistoryRing::setCapacity(std::size_t capacity) {
  capacity = std::max<std::size_t>(capacity, 1);
  std::vector<float> all = values();
  std::size_t keep = std::min(all.size(), capacity);
  buffer_.assign(all.end() - static_cast<std::ptrdiff_t>(keep), all.end());
  buffer_.shrink_to_fit();
  capacity_ = capacity;
  start_ = 0;
  size_ = keep;
}

std::size_t HistoryRing::capacityFor(double intervalSeconds, double seconds) {
  if (!(intervalSeconds > 0) || !std::isfinite(intervalSeconds)) intervalSeconds = 1;
  double count = std::ceil(seconds / intervalSeconds - 1e-9);
  if (!(count >= 1)) return 1;
  return static_cast<std::size_t>(std::min(count, 1e7));
}

}  // namespace tellwick::watch
