// tellwickctl watch in a real terminal: tmux runs it against the helper in
// the simulated MacBook Pro, keys go in with send-keys and the screen comes
// back with capture-pane.

#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>

#include "tests/support/helper_fixture.h"
#include "tests/support/mock_bluez.h"

namespace tellwick::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class WatchViewTest : public HelperTest {
 protected:
  void TearDown() override {
    if (!socket_.empty()) tmux({"kill-server"});
  }

  // Runs one tmux command on our own server and returns what it printed.
  std::string tmux(std::vector<std::string> arguments) {
    std::vector<std::string> argv = {"/usr/bin/tmux", "-S", socket_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess command(argv, {"PATH=/usr/bin:/bin", "HOME=" + scratch_.string(), "TERM=xterm-256color",
                                "LANG=C.UTF-8"});
    std::string out = command.drainStdout(10s);
    command.wait(10s);
    return out;
  }

  // Waits until the screen holds every text of wanted and none of unwanted;
  // at the timeout, each one that is not as expected fails the test.
  void screenWith(const std::vector<std::string>& wanted, const std::vector<std::string>& unwanted = {},
                  std::chrono::milliseconds timeout = 10s) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      std::string screen = tmux({"capture-pane", "-p", "-t", "view"});
      auto shows = [&](const std::string& text) { return screen.find(text) != std::string::npos; };
      if ((std::ranges::all_of(wanted, shows) && std::ranges::none_of(unwanted, shows)) ||
          std::chrono::steady_clock::now() > deadline) {
        for (const auto& w : wanted) EXPECT_THAT(screen, HasSubstr(w));
        for (const auto& u : unwanted) EXPECT_THAT(screen, Not(HasSubstr(u)));
        return;
      }
      settle(200ms);
    }
  }

  // The helper itself among the descendants of pid (umockdev-run runs it as
  // a child of its own); -1 when not found.
  static pid_t helperBelow(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (std::getline(comm, name) && name == "tellwick") return pid;
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (pid_t child; children >> child;) {
      if (pid_t found = helperBelow(child); found > 0) return found;
    }
    return -1;
  }

  std::string socket_;
};

TEST_F(WatchViewTest, EveryPanelShowsItsDataAndQRestoresTheTerminal) {
  MockBluez bluez("full");
  ASSERT_TRUE(bluez.ready());
  // Something on the network for the traffic panel, moving all the time.
  ChildProcess talker({"/usr/bin/python3", "-c",
                       "import socket,time\n"
                       "s=socket.create_server(('127.0.0.1',0)); c=socket.create_connection(s.getsockname())\n"
                       "p,_=s.accept(); print('READY',flush=True)\n"
                       "while True:\n  c.sendall(b'x'*50000); n=0\n"
                       "  while n<50000: n+=len(p.recv(65536))\n  time.sleep(0.1)\n"},
                      {"PATH=/usr/bin:/bin"});
  ASSERT_EQ(talker.readLine(10s), "READY");

  int started = 0;
  center().addObserver(&started, "HelperStarted", std::nullopt, [&](const os::Notification&) { ++started; });
  auto environment = helperEnvironment();
  environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + bluez.address());
  auto helper = spawnHelper(/*onMacBook=*/true, environment);
  ASSERT_TRUE(client_->runUntil([&] { return started > 0; }, 15s)) << helper->drainStderr(100ms);

  socket_ = scratch_.string() + "/tmux.sock";
  std::string command = "env DBUS_SESSION_BUS_ADDRESS=" + bus_.address() + " XDG_CONFIG_HOME=" + configHome_ +
                        " " + TELLWICK_BIN_DIR + "/tellwickctl watch --interval 0.5; echo WATCH-EXIT=$?;"
                        " stty -a | tr ' ;' '\\n\\n' | grep -x -e echo -e icanon | tr '\\n' ' '; sleep 60";
  tmux({"new-session", "-d", "-s", "view", "-x", "100", "-y", "40", command});

  // Every panel with data from the simulated laptop, rates included.
  screenWith({"every 0.5 s", "CPU Die", "°C", "Left side", "python3", "B/s", "Tellwick Keyboard", "85%"},
             {"waiting for the helper", "helper not answering"}, 30s);

  // Keys: the next panel enlarged, then the interval one step longer.
  tmux({"send-keys", "-t", "view", "j", "Enter", "+"});
  screenWith({"every 1 s", "Enter: all panels", "Left side"}, {"CPU Die"});

  // The helper crashes: the view says so and keeps asking until it is back.
  pid_t crashed = helperBelow(helper->pid());
  ASSERT_GT(crashed, 0);
  ::kill(crashed, SIGKILL);
  helper->wait(5s);
  screenWith({"helper not answering"});
  started = 0;
  helper = spawnHelper(/*onMacBook=*/true, environment);
  ASSERT_TRUE(client_->runUntil([&] { return started > 0; }, 15s));
  screenWith({}, {"helper not answering"});

  // q: back on the shell's screen, with echo and line editing on again.
  tmux({"send-keys", "-t", "view", "q"});
  screenWith({"WATCH-EXIT=0", "icanon echo"}, {"tellwick watch"});
}

}  // namespace
}  // namespace tellwick::testing
