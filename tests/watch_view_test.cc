// tellwickctl watch in a real terminal: tmux runs it against the helper in
// the simulated MacBook Pro, keys go in with send-keys and the screen comes
// back with capture-pane.

#include <gmock/gmock.h>

#include <algorithm>
#include <sstream>

#include "tests/support/helper_fixture.h"

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

  std::string socket_;
};

TEST_F(WatchViewTest, PanelsShowTheHelpersDataKeysActAndQRestoresTheTerminal) {
  auto helper = startHelper(/*onMacBook=*/true);
  socket_ = scratch_.string() + "/tmux.sock";
  std::string command = "env DBUS_SESSION_BUS_ADDRESS=" + bus_.address() + " XDG_CONFIG_HOME=" + configHome_ +
                        " " + TELLWICK_BIN_DIR + "/tellwickctl watch --interval 0.5; echo WATCH-EXIT=$?;"
                        " stty -a | tr ' ;' '\\n\\n' | grep -x -e echo -e icanon | tr '\\n' ' '; sleep 60";
  tmux({"new-session", "-d", "-s", "view", "-x", "100", "-y", "40", command});
  screenWith({"every 0.5 s", "CPU Die", "°C", "Left side"}, {"waiting for the helper", "helper not answering"}, 30s);

  // Keys: the next panel enlarged, then the interval one step longer.
  tmux({"send-keys", "-t", "view", "j", "Enter", "+"});
  screenWith({"every 1 s", "Enter: all panels", "Left side"}, {"CPU Die"});

  // A wider terminal: the next frame takes its width, without a key pressed.
  tmux({"resize-window", "-t", "view", "-x", "140", "-y", "40"});
  auto widest = [&] {
    std::size_t widest = 0;
    std::istringstream lines(tmux({"capture-pane", "-p", "-t", "view"}));
    for (std::string line; std::getline(lines, line);) {
      // Characters, not bytes: UTF-8 continuation bytes are not counted.
      auto width = std::ranges::count_if(line, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
      widest = std::max(widest, static_cast<std::size_t>(width));
    }
    return widest;
  };
  for (auto deadline = std::chrono::steady_clock::now() + 10s;
       widest() <= 100 && std::chrono::steady_clock::now() < deadline;) {
    settle(200ms);
  }
  EXPECT_GT(widest(), 100u);

  // The helper goes away: the view says so and keeps asking until it is back.
  post("TerminateHelper");
  EXPECT_EQ(helper->wait(10s), 0);
  screenWith({"helper not answering"});
  helper = startHelper(/*onMacBook=*/true);
  screenWith({}, {"helper not answering"});

  // q: back on the shell's screen, with echo and line editing on again.
  tmux({"send-keys", "-t", "view", "q"});
  screenWith({"WATCH-EXIT=0", "icanon echo"}, {"tellwick watch"});
}

// Off a terminal it prints a JSON line an interval; even the first holds
// the answers of its interval, not an empty line ahead of them.
TEST_F(WatchViewTest, OffATerminalEachLineHoldsTheAnswers) {
  auto helper = startHelper(/*onMacBook=*/true);
  ChildProcess view({std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "watch", "--count", "2", "--interval",
                     "0.2", "--only", "sensors,fans"},
                    helperEnvironment());
  for (int line = 0; line < 2; ++line) {
    auto text = view.readLine(10s);
    ASSERT_TRUE(text.has_value()) << line;
    EXPECT_THAT(*text, HasSubstr("\"CPU Die")) << line;
    EXPECT_THAT(*text, HasSubstr("\"Left side\"")) << line;
  }
  EXPECT_EQ(view.wait(10s), 0);
}

}  // namespace
}  // namespace tellwick::testing
