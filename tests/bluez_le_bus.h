#ifndef TELLWICK_TESTS_BLUEZ_LE_BUS_H_
#define TELLWICK_TESTS_BLUEZ_LE_BUS_H_

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tellwick::testing {

// A private bus that this process sees as the system bus, with
// python3-dbusmock's bluez5 template on it; tests/fixtures/bluez_le.py fills
// it in. Everything started here stops when the object goes.
class BluezLeBus {
 public:
  BluezLeBus() {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    daemon_ = spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, out[1]);
    ::close(out[1]);
    FILE* lines = ::fdopen(out[0], "r");
    char buffer[512];
    if (lines && std::fgets(buffer, sizeof buffer, lines)) {
      address_ = buffer;
      if (!address_.empty() && address_.back() == '\n') address_.pop_back();
    }
    if (lines) std::fclose(lines);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
  }
  ~BluezLeBus() {
    stopBluez();
    stop(daemon_);
  }
  BluezLeBus(const BluezLeBus&) = delete;
  BluezLeBus& operator=(const BluezLeBus&) = delete;

  bool ready() const { return !address_.empty(); }

  // Starts the bluez5 template; script("adapter") then waits for its name.
  void startBluez() {
    bluez_ = spawn({"/usr/bin/python3", "-m", "dbusmock", "-s", "-t", "bluez5"}, -1);
  }
  void stopBluez() { stop(bluez_); }

  // Runs bluez_le.py with arguments; true when it succeeded.
  bool script(const std::string& arguments) {
    std::string command =
        std::string("/usr/bin/python3 ") + TELLWICK_FIXTURES_DIR + "/bluez_le.py " + arguments;
    return std::system(command.c_str()) == 0;
  }

 private:
  static pid_t spawn(std::vector<const char*> argv, int stdoutFd) {
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
      int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(stdoutFd >= 0 ? stdoutFd : null, 1);
      ::dup2(null, 2);
      ::execvp(argv[0], const_cast<char* const*>(argv.data()));
      ::_exit(127);
    }
    return pid;
  }
  static void stop(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }

  pid_t daemon_ = -1;
  pid_t bluez_ = -1;
  std::string address_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_BLUEZ_LE_BUS_H_
