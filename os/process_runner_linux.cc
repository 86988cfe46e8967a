#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/posix_file.h"
#include "os/process_runner.h"

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
    return ::posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
           ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  }

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attr_; }

 private:
  bool ok_ = false;
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

// Collects standard output to end of file while discarding standard error so
// the child can never block on a full stderr pipe. Once the child itself has
// exited, a stderr still held open by a background grandchild is abandoned
// rather than waited for.
std::string drain(FileDescriptor& out, FileDescriptor& err, const FileDescriptor& exit_watch) {
  std::string collected;
  bool exited = false;
  while (out.valid() || (err.valid() && !exited)) {
    pollfd fds[3];
    nfds_t count = 0;
    int out_slot = -1;
    int err_slot = -1;
    int exit_slot = -1;
    if (out.valid()) {
      out_slot = static_cast<int>(count);
      fds[count++] = {out.get(), POLLIN, 0};
    }
    if (err.valid()) {
      err_slot = static_cast<int>(count);
      fds[count++] = {err.get(), POLLIN, 0};
    }
    if (exit_watch.valid() && !exited) {
      exit_slot = static_cast<int>(count);
      fds[count++] = {exit_watch.get(), POLLIN, 0};
    }
    if (::poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (out_slot >= 0 && fds[out_slot].revents != 0 && !readSome(out.get(), &collected)) {
      out.reset();
    }
    if (err_slot >= 0 && fds[err_slot].revents != 0 && !readSome(err.get(), nullptr)) {
      err.reset();
    }
    if (exit_slot >= 0 && fds[exit_slot].revents != 0) exited = true;
  }
  return collected;
}

std::optional<int> reap(pid_t pid) {
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, 0) == pid) return status;
    if (errno != EINTR) return std::nullopt;
  }
}

class LinuxProcessRunner final : public ProcessRunner {
 public:
  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment) override {
    auto out = makePipe();
    auto err = makePipe();
    if (!out || !err) return std::nullopt;

    pid_t pid = -1;
    {
      SpawnSetup setup;
      if (!setup.configure(out->write.get(), err->write.get())) return std::nullopt;
      auto args = cStrings(argv);
      auto env = cStrings(environment);
      // glibc reports a failed exec here and reaps that child itself, so a
      // program that cannot start never leaves a process behind.
      if (::posix_spawn(&pid, path.c_str(), setup.actions(), setup.attributes(), args.data(),
                        env.data()) != 0) {
        return std::nullopt;
      }
    }
    out->write.reset();
    err->write.reset();

    // Without pidfd (kernels before 5.3) stderr is simply read to its end.
    FileDescriptor exit_watch(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    std::string collected = drain(out->read, err->read, exit_watch);
    auto status = reap(pid);
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return std::nullopt;
    return collected;
  }
};

}  // namespace

std::unique_ptr<ProcessRunner> newLinuxProcessRunner() {
  return std::make_unique<LinuxProcessRunner>();
}

}  // namespace tellwick::os
