// The Linux nettop against this machine's kernel, read back by the sampler:
// a loopback connection of this process (IPv6, which the same dump serves as
// IPv4) shows with the bytes it carried.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "os/posix_file.h"
#include "os/process/process_runner.h"
#include "platform/shell.h"
#include "traffic/network_controller.h"

namespace tellwick {
namespace {

TEST(LinuxNettopTest, ShowsThisProcesssConnectionWithItsBytes) {
  sockaddr_in6 address{AF_INET6, 0, 0, in6addr_loopback, 0};
  socklen_t length = sizeof address;
  auto* sa = reinterpret_cast<sockaddr*>(&address);
  os::FileDescriptor listener(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
  os::FileDescriptor client(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (::bind(listener.get(), sa, length) != 0) GTEST_SKIP() << "no IPv6 loopback";
  ASSERT_EQ(::listen(listener.get(), 1) | ::getsockname(listener.get(), sa, &length) |
                ::connect(client.get(), sa, length), 0);
  os::FileDescriptor server(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
  std::string bytes(3000, 'x');
  ASSERT_EQ(::send(client.get(), bytes.data(), bytes.size(), 0), 3000);
  ASSERT_EQ(::recv(server.get(), bytes.data(), bytes.size(), MSG_WAITALL), 3000);

  auto out = os::newLinuxProcessRunner()->run(std::string(TELLWICK_BIN_DIR) + "/nettop",
                                              {"nettop", "-L", "1", "-P", "-x", "-J", "bytes_in,bytes_out"},
                                              {"PATH=/usr/bin:/bin"}, Shell::kLimits);
  ASSERT_TRUE(out);
  int found = 0;
  for (const auto& process : parseTrafficSample(*out)) {
    if (process.pid() != static_cast<std::uint64_t>(::getpid())) continue;
    ++found;
    EXPECT_GE(process.received(), 3000u);
    EXPECT_GE(process.sent(), 3000u);
  }
  EXPECT_EQ(found, 1) << *out;
}

}  // namespace
}  // namespace tellwick
