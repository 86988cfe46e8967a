#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <optional>
#include <string>
#include <vector>

#include "os/posix_file.h"
#include "os/process/process_runner.h"

namespace tellwick::os {
namespace {

// A helper started with 0, 1 or 2 closed gets those numbers back from pipe2;
// the child's dup2 sequence would then overwrite one pipe end with the other.
bool moveAboveStandardStreams(FileDescriptor& fd) {
  if (fd.get() > STDERR_FILENO) return true;
  int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (moved < 0) return false;
  fd.reset(moved);
  return true;
}

struct Pipe {
  FileDescriptor read;
  FileDescriptor write;
};

std::optional<Pipe> makePipe() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  Pipe pipe{FileDescriptor(ends[0]), FileDescriptor(ends[1])};
  if (!moveAboveStandardStreams(pipe.read) || !moveAboveStandardStreams(pipe.write)) {
    return std::nullopt;
  }
  return pipe;
}

std::vector<char*> cStrings(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const auto& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

class SpawnSetup {
 public:
  SpawnSetup() {
    ok_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    ok_ = ::posix_spawnattr_init(&attr_) == 0 && ok_;
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attr_);
  }

  bool configure(int stdout_fd, int stderr_fd) {
    if (!ok_) return false;
    stdout_ = stdout_fd;
    stderr_ = stderr_fd;
    // An inherited terminal or socket on 0 could make a tool wait for input.
    if (::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0 ||
        ::posix_spawn_file_actions_adddup2(&actions_, stdout_fd, STDOUT_FILENO) != 0 ||
        ::posix_spawn_file_actions_adddup2(&actions_, stderr_fd, STDERR_FILENO) != 0 ||
        // Descriptors opened by libraries without O_CLOEXEC must not reach
        // the child either.
        ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) != 0) {
      return false;
    }
    // The child starts with default dispositions and an empty mask whatever
    // the helper did to its own (an ignored SIGPIPE would otherwise be
    // inherited across exec).
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    // A group of its own lets a run that overstays be killed with everything
    // it started.
    return ::posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
           ::posix_spawnattr_setpgroup(&attr_, 0) == 0 &&
           ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                  POSIX_SPAWN_SETPGROUP) == 0;
  }

  bool sends(int stdout_fd, int stderr_fd) const { return stdout_ == stdout_fd && stderr_ == stderr_fd; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attr_; }

 private:
  bool ok_ = false;
  int stdout_ = -1;
  int stderr_ = -1;
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

// Reads fd once into out (when given). Returns false at end of file or on a
// read error, after which the descriptor is of no further use.
bool readSome(int fd, std::string* out) {
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      if (out) out->append(buffer, static_cast<std::size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return true;
    return false;
  }
}

enum class Ending { kFinished, kOverran };

// Collects standard output to end of file while discarding standard error so
// the child can never block on a full stderr pipe. Once the child itself has
// exited, whatever it left in its process group is killed (it could hold the
// output open for ever) and a stderr still held from elsewhere is abandoned.
// Stops early, with kOverran, at the deadline, past the output limit or when
// cancel becomes readable.
Ending drain(pid_t group, FileDescriptor& out, FileDescriptor& err,
             const FileDescriptor& exit_watch, int cancel, const RunLimits& limits,
             std::string& collected) {
  auto deadline = std::chrono::steady_clock::now() + limits.timeout;
  bool exited = false;
  for (;;) {
    bool waiting_exit = exit_watch.valid() && !exited;
    if (!out.valid() && !waiting_exit && (!err.valid() || exited)) return Ending::kFinished;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Ending::kOverran;
    pollfd fds[4];
    nfds_t count = 0;
    int out_slot = -1;
    int err_slot = -1;
    int exit_slot = -1;
    if (out.valid()) {
      out_slot = static_cast<int>(count);
      fds[count++] = {out.get(), POLLIN, 0};
    }
    if (err.valid() && !exited) {
      err_slot = static_cast<int>(count);
      fds[count++] = {err.get(), POLLIN, 0};
    }
    if (waiting_exit) {
      exit_slot = static_cast<int>(count);
      fds[count++] = {exit_watch.get(), POLLIN, 0};
    }
    int cancel_slot = static_cast<int>(count);
    fds[count++] = {cancel, POLLIN, 0};
    int ready = ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), INT32_MAX)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[cancel_slot].revents != 0) return Ending::kOverran;
    if (out_slot >= 0 && fds[out_slot].revents != 0 && !readSome(out.get(), &collected)) {
      out.reset();
    }
    if (collected.size() > limits.maxOutput) return Ending::kOverran;
    if (err_slot >= 0 && fds[err_slot].revents != 0 && !readSome(err.get(), nullptr)) {
      err.reset();
    }
    if (exit_slot >= 0 && fds[exit_slot].revents != 0) {
      exited = true;
      // The group's leader is a zombie until reaped, so the group id still
      // names only what the child started.
      ::kill(-group, SIGKILL);
    }
  }
}

std::optional<int> reap(pid_t pid) {
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, 0) == pid) return status;
    if (errno != EINTR) return std::nullopt;
  }
}

// Two tools at a time is what the helper runs: traffic and batteries.
constexpr int kIdleWorkersKept = 2;

class LinuxProcessRunner final : public ProcessRunner {
 public:
  explicit LinuxProcessRunner(MainQueue* completions)
      : completions_(completions), cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

  ~LinuxProcessRunner() override { stopAll(); }

  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment,
                                 const RunLimits& limits) override {
    if (!cancel_.valid()) return std::nullopt;
    auto out = makePipe();
    auto err = makePipe();
    if (!out || !err) return std::nullopt;

    pid_t pid = -1;
    {
      std::lock_guard lock(mutex_);
      if (stopped_) return std::nullopt;
      const SpawnSetup* setup = setupFor(out->write.get(), err->write.get());
      if (!setup) return std::nullopt;
      auto args = cStrings(argv);
      auto env = cStrings(environment);
      // glibc reports a failed exec here and reaps that child itself, so a
      // program that cannot start never leaves a process behind. Spawning
      // under the lock means stopAll sees every child that exists.
      if (::posix_spawn(&pid, path.c_str(), setup->actions(), setup->attributes(), args.data(),
                        env.data()) != 0) {
        return std::nullopt;
      }
      running_.insert(pid);
    }
    out->write.reset();
    err->write.reset();

    // Without pidfd (kernels before 5.3) stderr is simply read to its end.
    FileDescriptor exit_watch(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    std::string collected;
    Ending ending = drain(pid, out->read, err->read, exit_watch, cancel_.get(), limits, collected);
    {
      std::lock_guard lock(mutex_);
      if (ending == Ending::kOverran) killChild(pid);
      running_.erase(pid);
    }
    auto status = reap(pid);
    if (ending == Ending::kOverran) return std::nullopt;
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return std::nullopt;
    return collected;
  }

  void start(const std::string& path, const std::vector<std::string>& argv,
             const std::vector<std::string>& environment, const RunLimits& limits,
             Completion done) override {
    if (!completions_) {
      done(run(path, argv, environment, limits));
      return;
    }
    std::lock_guard lock(mutex_);
    joinFinished();
    jobs_.push_back({path, argv, environment, limits, std::move(done)});
    // Every queued job has a worker of its own, idle or new: one run that
    // hangs never holds another.
    if (jobs_.size() <= static_cast<std::size_t>(idleWorkers_)) {
      jobReady_.notify_one();
      return;
    }
    auto worker = workers_.emplace(workers_.end());
    worker->thread = std::thread([this, worker] { serve(worker); });
  }

  void stopAll() override {
    std::list<Worker> workers;
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
      if (cancel_.valid()) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(cancel_.get(), &one, sizeof one);
      }
      for (pid_t pid : running_) killChild(pid);
      workers.splice(workers.end(), workers_);
    }
    jobReady_.notify_all();
    for (auto& worker : workers) worker.thread.join();
  }

 private:
  struct Job {
    std::string path;
    std::vector<std::string> argv;
    std::vector<std::string> environment;
    RunLimits limits;
    Completion done;
  };

  struct Worker {
    std::thread thread;
    bool finished = false;
  };

  // Runs queued jobs until stopped. A worker with nothing to do waits for the
  // next start, without a timeout, so an idle helper stays asleep; making a
  // thread per run costs more than most runs' own work in the helper. Past
  // kIdleWorkersKept idle ones, a worker ends.
  void serve(std::list<Worker>::iterator self) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (jobs_.empty()) {
        if (stopped_ || idleWorkers_ >= kIdleWorkersKept) break;
        ++idleWorkers_;
        jobReady_.wait(lock, [this] { return !jobs_.empty() || stopped_; });
        --idleWorkers_;
        continue;
      }
      Job job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      auto result = run(job.path, job.argv, job.environment, job.limits);
      completions_->dispatch([done = std::move(job.done), result = std::move(result)]() mutable {
        done(std::move(result));
      });
      lock.lock();
    }
    self->finished = true;
  }

  // The spawn set-up of the last run, again when the pipes got the same
  // numbers, as one run after another mostly does: glibc checks each
  // descriptor it names against the limit on open files, a system call
  // each time. Called with mutex_ held; nullptr when it cannot be made.
  const SpawnSetup* setupFor(int stdout_fd, int stderr_fd) {
    if (setup_ && setup_->sends(stdout_fd, stderr_fd)) return setup_.get();
    auto fresh = std::make_unique<SpawnSetup>();
    if (!fresh->configure(stdout_fd, stderr_fd)) return nullptr;
    setup_ = std::move(fresh);
    return setup_.get();
  }

  // Before the child is reaped, while its ids still name it and its group.
  // The child itself too: it may have moved to another group.
  static void killChild(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
  }

  // Called with mutex_ held.
  void joinFinished() {
    for (auto it = workers_.begin(); it != workers_.end();) {
      if (it->finished) {
        it->thread.join();
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }

  MainQueue* completions_;
  // Readable once stopAll has run: every drain watches it.
  FileDescriptor cancel_;
  std::mutex mutex_;
  bool stopped_ = false;
  std::set<pid_t> running_;
  std::unique_ptr<SpawnSetup> setup_;
  std::deque<Job> jobs_;
  std::condition_variable jobReady_;
  int idleWorkers_ = 0;
  std::list<Worker> workers_;
};

}  // namespace

std::unique_ptr<ProcessRunner> newLinuxProcessRunner(MainQueue* completions) {
  return std::make_unique<LinuxProcessRunner>(completions);
}

}  // namespace tellwick::os
