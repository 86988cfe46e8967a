#include "os/sensors/bounded_reads.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

namespace tellwick::os {
namespace {

using Clock = std::chrono::steady_clock;

struct Job {
  std::string group;
  std::function<void()> read;
  bool ended = false;
  bool givenUp = false;
};

}  // namespace

struct BoundedReads::Shared {
  std::mutex mutex;
  // Readers wait for a job or the end; callers for their job's end.
  std::condition_variable changed;
  std::deque<std::shared_ptr<Job>> queue;
  int pending = 0;  // queued or being read
  int idleReaders = 0;
  int threads = 0;
  bool stopping = false;
  std::set<std::string> hanging;
  std::deque<Clock::time_point> timeouts;
};

// A reader serves jobs until the reads end; one whose read was given up on
// leaves once it returns, as a fresh reader took its place meanwhile.
void BoundedReads::serve(std::shared_ptr<Shared> shared) {
  auto& s = *shared;
  std::unique_lock lock(s.mutex);
  for (;;) {
    ++s.idleReaders;
    s.changed.wait(lock, [&] { return !s.queue.empty() || s.stopping; });
    --s.idleReaders;
    if (s.queue.empty()) break;
    auto job = std::move(s.queue.front());
    s.queue.pop_front();
    lock.unlock();
    job->read();
    lock.lock();
    job->ended = true;
    --s.pending;
    s.changed.notify_all();
    if (job->givenUp) {
      s.hanging.erase(job->group);
      break;
    }
  }
  --s.threads;
  s.changed.notify_all();
}

BoundedReads::BoundedReads(ReadLimits limits) : limits_(limits), shared_(std::make_shared<Shared>()) {}

BoundedReads::~BoundedReads() {
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->changed.notify_all();
  shared_->changed.wait(lock, [&] { return shared_->threads == 0; });
}

bool BoundedReads::idle() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->pending == 0;
}

bool BoundedReads::runErased(const std::string& group, std::function<void()> read) {
  auto& s = *shared_;
  std::unique_lock lock(s.mutex);
  if (s.hanging.contains(group)) return false;
  const auto now = Clock::now();
  while (!s.timeouts.empty() && now - s.timeouts.front() >= limits_.window) s.timeouts.pop_front();
  const bool many = static_cast<int>(s.timeouts.size()) >= limits_.timeoutsPerWindow;
  const auto limit = many ? limits_.quickWait : limits_.wait;

  auto job = std::make_shared<Job>(Job{group, std::move(read)});
  s.queue.push_back(job);
  ++s.pending;
  if (s.idleReaders > 0) {
    s.changed.notify_all();
  } else {
    try {
      std::thread(serve, shared_).detach();
      ++s.threads;
    } catch (const std::system_error&) {
      s.queue.pop_back();
      --s.pending;
      return false;
    }
  }
  if (s.changed.wait_for(lock, limit, [&] { return job->ended; })) return true;

  if (auto queued = std::find(s.queue.begin(), s.queue.end(), job); queued != s.queue.end()) {
    s.queue.erase(queued);  // never started: nothing hangs
    --s.pending;
    return false;
  }
  job->givenUp = true;
  s.hanging.insert(group);
  s.timeouts.push_back(Clock::now());
  return false;
}

}  // namespace tellwick::os
