// The traffic sampler against real processes: a scripted nettop on PATH, and
// the Linux nettop over real loopback traffic of this test's own process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "os/process_runner.h"
#include "platform/shell.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"
#include "traffic/network_controller.h"

namespace tellwick {
namespace {

using testing::pathWithPrefix;
using testing::processEnvironment;
using testing::ScopedEnvironmentVariable;

class TrafficIntegrationTest : public ::testing::Test {
 protected:
  testing::ScratchDirectory scratch_{"traffic"};
  std::unique_ptr<os::ProcessRunner> runner_ = os::newLinuxProcessRunner();
  testing::FakeHelperDataModel model_;
  testing::FakeNotificationCenter center_;
  NetworkController controller_{model_, center_, *runner_, processEnvironment()};
};

TEST_F(TrafficIntegrationTest, ScriptedNettopOnPathDrivesTheStore) {
  ScopedEnvironmentVariable path("PATH", pathWithPrefix(scratch_.string()));
  // The tool sees the sampler's arguments and the fixed locale.
  scratch_.writeScript("nettop", R"(echo ,bytes_in,bytes_out,; echo "$LC_ALL.$#,10,20,"
args="$*"; echo "${args//,/+}.1,0,0,")");
  controller_.updateTraffic();
  ASSERT_EQ(model_.traffic().value_or(std::vector<ProcessTrafficInfo>{}).size(), 2u);
  EXPECT_EQ((*model_.traffic())[0].name(), "en_US.UTF-8");
  EXPECT_EQ((*model_.traffic())[1].name(), "-L 1 -P -x -J bytes_in+bytes_out");

  scratch_.writeScript("nettop", "echo ,bytes_in,bytes_out,; echo lost.2,1,1,; exit 1");
  controller_.updateTraffic();
  EXPECT_EQ(model_.writes(), 1) << "a failed run leaves the last sample in place";
  EXPECT_EQ(center_.postedNames(), std::vector<std::string>(2, "ResponseTraffic"));
}

// A connected pair on IPv4 loopback whose both ends this process holds.
struct LoopbackPair {
  LoopbackPair() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto* sa = reinterpret_cast<sockaddr*>(&address);
    socklen_t length = sizeof address;
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(listener, sa, length) == 0 && ::listen(listener, 1) == 0 &&
        ::getsockname(listener, sa, &length) == 0 && ::connect(client, sa, length) == 0) {
      server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    }
  }
  ~LoopbackPair() {
    for (int fd : {listener, client, server}) {
      if (fd >= 0) ::close(fd);
    }
  }

  // Moves bytes in chunks small enough for the socket buffers, so one thread
  // can be both writer and reader.
  static bool move(int from, int to, std::size_t total) {
    std::vector<char> chunk(16 * 1024, 'x');
    while (total > 0) {
      std::size_t n = std::min(total, chunk.size());
      if (::send(from, chunk.data(), n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) return false;
      for (std::size_t got = 0; got < n;) {
        ssize_t r = ::recv(to, chunk.data(), n - got, 0);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
      }
      total -= n;
    }
    return true;
  }

  int listener = -1, client = -1, server = -1;
};

std::string ownComm() {
  std::string comm;
  std::getline(std::ifstream("/proc/self/comm"), comm);
  return comm;
}

// Acknowledgements travel on their own schedule; the sample is taken again
// until the counters have caught up or the attempts run out.
TEST_F(TrafficIntegrationTest, SamplerOverTheLinuxNettopCountsThisProcessesLoopbackTraffic) {
  constexpr std::size_t kToServer = 300'000, kToClient = 70'000, expected = kToServer + kToClient;
  LoopbackPair pair;
  ASSERT_TRUE(LoopbackPair::move(pair.client, pair.server, kToServer) &&
              LoopbackPair::move(pair.server, pair.client, kToClient));
  ScopedEnvironmentVariable path("PATH", pathWithPrefix(TELLWICK_BIN_DIR));

  std::optional<ProcessTrafficInfo> mine;
  for (int attempt = 0; attempt < 100; ++attempt) {
    controller_.updateTraffic();
    for (const auto& info : model_.traffic().value_or(std::vector<ProcessTrafficInfo>{})) {
      if (info.pid() == static_cast<std::uint64_t>(::getpid())) mine = info;
    }
    if (mine && mine->received() >= expected && mine->sent() >= expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(mine.has_value());
  EXPECT_EQ(mine->name(), ownComm());
  // Each end's counters, not more: nothing else moves on these sockets.
  EXPECT_GE(mine->received(), expected);
  EXPECT_LE(mine->received(), expected + 16);
  EXPECT_GE(mine->sent(), expected);
  EXPECT_LE(mine->sent(), expected + 16);
  EXPECT_EQ(center_.postedNames().size(), static_cast<std::size_t>(model_.writes()));
}

TEST_F(TrafficIntegrationTest, LinuxNettopRefusesOtherOptions) {
  const std::string nettop = std::string(TELLWICK_BIN_DIR) + "/nettop";
  EXPECT_EQ(Shell::run(*runner_, processEnvironment(),
                       {"-c", nettop + " -L 1 -t wifi 2>/dev/null; echo $?"}),
            "64\n");
}

}  // namespace
}  // namespace tellwick
