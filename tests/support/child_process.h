#ifndef TELLWICK_TESTS_SUPPORT_CHILD_PROCESS_H_
#define TELLWICK_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tellwick::testing {

// A child process with its standard streams on pipes; killed with its
// process group (a wrapper such as umockdev-run and what it runs) and reaped
// on destruction if still running.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      std::vector<char*> args, env;
      for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      for (auto& e : environment) env.push_back(const_cast<char*>(e.c_str()));
      args.push_back(nullptr);
      env.push_back(nullptr);
      ::execve(args[0], args.data(), env.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    stderr_ = err[0];
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  ~ChildProcess() {
    if (running()) {
      ::kill(-pid_, SIGKILL);
      wait(std::chrono::seconds(5));
    }
    for (int fd : {stdin_, stdout_, stderr_}) {
      if (fd >= 0) ::close(fd);
    }
  }

  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0 && !status_; }
  void signal(int signo) const {
    if (running()) ::kill(pid_, signo);
  }
  void closeStdin() {
    ::close(stdin_);
    stdin_ = -1;
  }

  // The exit status (128 + signal when killed), or nullopt if the process is
  // still running when the timeout passes.
  std::optional<int> wait(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
      int raw = 0;
      pid_t r = ::waitpid(pid_, &raw, WNOHANG);
      if (r == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        break;
      }
      if (r < 0 || std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
  }

  // One line of standard output without its newline; nullopt at end of
  // output or when nothing complete arrives in time.
  std::optional<std::string> readLine(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t nl;
    while ((nl = outBuffer_.find('\n')) == std::string::npos) {
      if (!readSome(stdout_, outBuffer_, deadline)) return std::nullopt;
    }
    std::string line = outBuffer_.substr(0, nl);
    outBuffer_.erase(0, nl + 1);
    return line;
  }

  // Everything the process wrote on standard error (or output) until it
  // closed it or the timeout passed.
  std::string drainStderr(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::string text;
    for (auto end = std::chrono::steady_clock::now() + timeout; readSome(stderr_, text, end);) continue;
    return text;
  }
  std::string drainStdout(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    for (auto end = std::chrono::steady_clock::now() + timeout; readSome(stdout_, outBuffer_, end);) continue;
    return std::exchange(outBuffer_, {});
  }

 private:
  static bool readSome(int fd, std::string& into, std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int stdin_ = -1, stdout_ = -1, stderr_ = -1;
  std::string outBuffer_;
  std::optional<int> status_;
};

// argv's exit status (-1 when it outlives timeout), then what it printed on
// standard output and, unless told not to, on standard error.
inline std::pair<int, std::string> runProgram(const std::vector<std::string>& argv,
                                              const std::vector<std::string>& environment, bool withStderr = true,
                                              std::chrono::milliseconds timeout = std::chrono::seconds(300)) {
  ChildProcess child(argv, environment);
  std::string out = child.drainStdout(timeout);
  const int status = child.wait(timeout).value_or(-1);
  return {status, withStderr ? out + child.drainStderr(std::chrono::milliseconds(100)) : out};
}

// True once pid has exited: gone, or a zombie its parent has not reaped.
inline bool processEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  auto close = line.rfind(')');
  return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_CHILD_PROCESS_H_
