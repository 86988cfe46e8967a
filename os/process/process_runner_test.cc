#include "os/process/process_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/fake_main_queue.h"
#include "tests/fakes/fake_process_runner.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

constexpr RunLimits kLimits{10s, 1 << 20};

// Each world can provide the same few programs, real or scripted, so one
// suite pins down the behaviour both runners promise.
class RealWorld {
 public:
  ProcessRunner& runner() { return *runner_; }

  std::string program(const std::string& output, int exitStatus) {
    auto data = scratch_.writeFile("data" + std::to_string(count_), output).string();
    return scratch_.writeScript("prog" + std::to_string(count_++),
                                "cat '" + data + "'\nexit " + std::to_string(exitStatus)).string();
  }
  std::string hanging() { return scratch_.writeScript("hang", "exec sleep 60").string(); }
  std::string missing() { return scratch_.string() + "/missing"; }

 private:
  testing::ScratchDirectory scratch_{"runner"};
  int count_ = 0;
  std::unique_ptr<ProcessRunner> runner_ = newLinuxProcessRunner();
};

class FakeWorld {
 public:
  ProcessRunner& runner() { return runner_; }

  std::string program(const std::string& output, int exitStatus) {
    std::string path = "/fake/prog" + std::to_string(count_++);
    runner_.install(path, output, exitStatus);
    return path;
  }
  std::string hanging() {
    runner_.installHanging("/fake/hang");
    return "/fake/hang";
  }
  std::string missing() { return "/fake/missing"; }

 private:
  testing::FakeProcessRunner runner_;
  int count_ = 0;
};

template <typename World>
class ProcessRunnerContract : public ::testing::Test {
 protected:
  World world_;
};

using Worlds = ::testing::Types<RealWorld, FakeWorld>;
TYPED_TEST_SUITE(ProcessRunnerContract, Worlds);

// Standard output comes back byte for byte, empty included; a failed run,
// a missing program, output past the limit and a run past its deadline are
// absent, the last at no more cost than the deadline.
TYPED_TEST(ProcessRunnerContract, SuccessfulRunsReturnStandardOutputAndOthersAreAbsent) {
  auto& w = this->world_;
  const std::string binary = "head\0\xff\xfe\r\nline two\n"s, big(1000, 'x');
  struct Case {
    std::string output;
    int status;
    std::size_t maxOutput;
    std::optional<std::string> expected;
  } const cases[] = {{binary, 0, kLimits.maxOutput, binary}, {"", 0, kLimits.maxOutput, ""},
                     {"partial output", 1, kLimits.maxOutput, std::nullopt},
                     {big, 0, 1000, big}, {big, 0, 999, std::nullopt}};
  for (const auto& c : cases) {
    EXPECT_EQ(w.runner().run(w.program(c.output, c.status), {"prog"}, {}, RunLimits{10s, c.maxOutput}),
              c.expected)
        << c.status << " " << c.maxOutput;
  }
  EXPECT_EQ(w.runner().run(w.missing(), {"missing"}, {}, kLimits), std::nullopt);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(w.runner().run(w.hanging(), {"hang"}, {}, RunLimits{300ms, 1 << 20}), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

// What only real processes can get wrong.
class LinuxProcessRunnerTest : public ::testing::Test {
 protected:
  std::optional<std::string> sh(const std::string& script) {
    return world_.runner().run("/bin/sh", {"sh", "-c", script}, {"PATH=/usr/bin:/bin"}, kLimits);
  }
  RealWorld world_;
};

// The child gets its arguments, exactly the given environment, an empty
// standard input, default signal dispositions and none of the caller's
// descriptors; every child is reaped, however it ended.
TEST_F(LinuxProcessRunnerTest, TheChildGetsWhatItIsGivenAndIsReaped) {
  auto& runner = world_.runner();
  EXPECT_EQ(runner.run("/bin/sh", {"sh", "-c", "printf '%s\\n' \"$@\"", "sh", "a b", "", "--c"},
                       {}, kLimits),
            "a b\n\n--c\n");
  EXPECT_EQ(runner.run("/usr/bin/env", {"env"}, {"A=1", "B=two words"}, kLimits), "A=1\nB=two words\n");
  EXPECT_EQ(runner.run("/usr/bin/env", {"env"}, {}, kLimits), "");
  EXPECT_EQ(sh("cat"), "");
  EXPECT_EQ(sh("trap '' PIPE; echo ignored-pipe-is-not-inherited"), "ignored-pipe-is-not-inherited\n");
  // Deliberately without O_CLOEXEC, as a careless library would open it.
  int leaky = ::open("/dev/null", O_RDONLY);
  ASSERT_EQ(::dup2(leaky, 200), 200);
  auto seen = sh("for n in 3 4 5 6 7 8 9 " + std::to_string(leaky) +
                 " 200; do [ -e /proc/$$/fd/$n ] && printf '%s ' $n; done; true");
  ::close(leaky);
  ::close(200);
  EXPECT_EQ(seen, "");
  EXPECT_EQ(sh("echo before; kill -9 $$"), std::nullopt) << "killed by a signal";
  sh("exit 3");
  runner.run(world_.missing(), {"missing"}, {}, kLimits);
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// Each run's output reaches it, whichever numbers its pipes get.
TEST_F(LinuxProcessRunnerTest, OutputArrivesWhateverNumbersThePipesGet) {
  std::vector<int> held;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sh("echo " + std::to_string(i)), std::to_string(i) + "\n") << i;
    held.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));  // the next pipes get higher numbers
  }
  for (int fd : held) ::close(fd);
  EXPECT_EQ(sh("echo again"), "again\n");  // and lower ones again
}

// A tool that leaves a background process holding one of its pipes must not
// hold the run: the stray is killed with the tool's group once it exits.
TEST_F(LinuxProcessRunnerTest, BackgroundGrandchildHoldingAPipeIsKilledNotWaitedFor) {
  for (const std::string holds : {">/dev/null", "2>/dev/null"}) {
    auto started = std::chrono::steady_clock::now();
    auto out = sh("sleep 60 " + holds + " </dev/null & echo $!");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << holds;
    ASSERT_TRUE(out.has_value()) << holds;
    pid_t grandchild = std::stoi(*out);
    for (int i = 0; i < 200 && !testing::processEnded(grandchild); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(testing::processEnded(grandchild)) << holds;
  }
}

TEST_F(LinuxProcessRunnerTest, StopAllKillsRunningChildrenAndFailsLaterRuns) {
  std::optional<std::string> out = "not yet";
  std::thread running([&] { out = sh("sleep 60; echo late"); });
  std::this_thread::sleep_for(200ms);
  auto started = std::chrono::steady_clock::now();
  world_.runner().stopAll();
  running.join();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_EQ(out, std::nullopt);
  EXPECT_EQ(sh("echo after"), std::nullopt);
}

// Started runs come back through the queue. Workers that have finished a
// run serve the next ones, and a run that hangs holds none of them. stopAll
// ends the idle workers as well as the busy ones.
TEST_F(LinuxProcessRunnerTest, StartedRunsNeverWaitBehindOneThatHangs) {
  testing::FakeMainQueue queue;
  auto runner = newLinuxProcessRunner(&queue);
  std::vector<std::optional<std::string>> results;
  auto start = [&](const std::string& script) {
    runner->start("/bin/sh", {"sh", "-c", script}, {}, kLimits,
                  [&](std::optional<std::string> out) { results.push_back(std::move(out)); });
  };
  auto awaitResults = [&](std::size_t count) {
    for (auto end = std::chrono::steady_clock::now() + 5s;
         results.size() < count && std::chrono::steady_clock::now() < end;) {
      queue.runAll();
      std::this_thread::sleep_for(1ms);
    }
    return results.size();
  };
  start("sleep 60");
  for (std::size_t round = 1; round <= 3; ++round) {
    start("echo " + std::to_string(round) + "a");
    start("echo " + std::to_string(round) + "b");
    ASSERT_EQ(awaitResults(2 * round), 2 * round) << round;
  }
  std::sort(results.begin(), results.end());
  EXPECT_EQ(results, (std::vector<std::optional<std::string>>{"1a\n", "1b\n", "2a\n", "2b\n", "3a\n", "3b\n"}));
  results.clear();
  const auto stopping = std::chrono::steady_clock::now();
  runner->stopAll();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 5s);
  start("echo after");
  EXPECT_EQ(awaitResults(2), 2u);
  EXPECT_EQ(results, (std::vector<std::optional<std::string>>{std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace tellwick::os
