#ifndef TELLWICK_TESTS_MOCK_BLUEZ_H_
#define TELLWICK_TESTS_MOCK_BLUEZ_H_

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace tellwick::testing {

// tests/fixtures/mock_bluez.py on its own private bus; stops when destroyed
// (its standard input closes, so it also stops if this process dies).
class MockBluez {
 public:
  explicit MockBluez(const std::string& scenario) {
    int out[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) return;
    std::string script = std::string(TELLWICK_FIXTURES_DIR) + "/mock_bluez.py";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::execl(script.c_str(), script.c_str(), "--own-bus", "--stdin-eof", "--scenario",
              scenario.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(in[0]);
    stdin_ = in[1];
    FILE* lines = ::fdopen(out[0], "r");
    char buffer[1024];
    while (lines && std::fgets(buffer, sizeof buffer, lines)) {
      std::string line(buffer);
      if (line.starts_with("DBUS_SYSTEM_BUS_ADDRESS=")) {
        address_ = line.substr(line.find('=') + 1);
        address_.pop_back();
      }
      if (line == "READY\n") {
        ready_ = true;
        break;
      }
    }
    if (lines) std::fclose(lines);
  }
  ~MockBluez() {
    if (stdin_ >= 0) ::close(stdin_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  bool ready() const { return ready_; }
  const std::string& address() const { return address_; }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  bool ready_ = false;
  std::string address_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_MOCK_BLUEZ_H_
