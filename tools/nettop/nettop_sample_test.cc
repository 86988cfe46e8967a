#include "tools/nettop/nettop_sample.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/scratch_directory.h"

namespace tellwick::nettop {
namespace {

template <typename T>
std::string raw(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string padded(std::string bytes, std::size_t size) {
  bytes.resize(size, '\0');
  return bytes;
}

// One received block of a sock_diag dump, as the kernel lays it out.
struct DumpBlock {
  DumpBlock& message(std::uint16_t type, std::uint32_t seq, const std::string& body) {
    nlmsghdr header{static_cast<std::uint32_t>(NLMSG_LENGTH(body.size())), type, 0, seq, 0};
    bytes += padded(raw(header) + body, NLMSG_SPACE(body.size()));
    return *this;
  }
  static std::string attribute(unsigned short type, const std::string& payload) {
    return padded(raw(rtattr{static_cast<unsigned short>(RTA_LENGTH(payload.size())), type}) + payload,
                  RTA_SPACE(payload.size()));
  }
  DumpBlock& socket(std::uint32_t inode, std::optional<std::size_t> infoLength, std::uint64_t received = 0,
                    std::uint64_t acked = 0, std::uint32_t seq = 7) {
    inet_diag_msg msg{};
    msg.idiag_family = AF_INET;
    msg.idiag_inode = inode;
    std::string body = padded(raw(msg), NLMSG_ALIGN(sizeof msg));
    if (infoLength) {
      tcp_info info{};
      info.tcpi_bytes_received = received;
      info.tcpi_bytes_acked = acked;
      body += attribute(INET_DIAG_SHUTDOWN, std::string(1, '\0')) + attribute(INET_DIAG_INFO, padded(raw(info), *infoLength));
    }
    return message(SOCK_DIAG_BY_FAMILY, seq, body);
  }
  DumpBlock& done(std::uint32_t seq = 7) { return message(NLMSG_DONE, seq, std::string(4, '\0')); }
  DumpBlock& error(int code) { return message(NLMSG_ERROR, 7, raw(nlmsgerr{code, {}})); }

  DumpStep read(SocketTable& table, int* error = nullptr) const {
    std::vector<std::uint32_t> aligned((bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), bytes.data(), bytes.size());
    return readDiagMessages(aligned.data(), bytes.size(), 7, table, error);
  }

  std::string bytes;
};

TEST(NettopDump, ReadsCountersOnlyAsFarAsTheKernelsTcpInfoReaches) {
  SocketTable table;
  EXPECT_EQ(DumpBlock()
                .socket(100, sizeof(tcp_info), 5000, 700)
                .socket(101, sizeof(tcp_info) + 24, 1, 2)  // a newer kernel's longer struct
                .socket(102, offsetof(tcp_info, tcpi_bytes_acked), 9, 9)  // before 4.1
                .socket(103, offsetof(tcp_info, tcpi_bytes_received), 9, 3)
                .socket(104, std::nullopt)
                .socket(0, sizeof(tcp_info), 9, 9)      // a minisocket: no owner
                .socket(105, sizeof(tcp_info), 9, 9, 8)  // another request's message
                .read(table),
            DumpStep::more);
  std::string counters;
  for (auto inode : {100, 101, 102, 103, 104}) {
    counters += std::to_string(table.at(inode).received) + "/" + std::to_string(table.at(inode).sent) + " ";
  }
  EXPECT_EQ(table.size(), 5u);
  EXPECT_EQ(counters, "5000/700 1/2 0/0 0/3 0/0 ");
}

TEST(NettopDump, EndsAtDoneAndReportsTheKernelsError) {
  SocketTable table;
  EXPECT_EQ(DumpBlock().socket(1, sizeof(tcp_info)).done().socket(2, sizeof(tcp_info)).read(table),
            DumpStep::done);
  EXPECT_FALSE(table.contains(2));

  int error = 0;
  EXPECT_EQ(DumpBlock().error(-EACCES).read(table, &error), DumpStep::failed);
  EXPECT_EQ(error, EACCES);

  std::vector<std::uint32_t> garbage = {0xffffffff, 0, 0, 0};
  EXPECT_EQ(readDiagMessages(garbage.data(), 16, 7, table, &error), DumpStep::more)
      << "a message claiming more than the block holds is not read past the block";
}

// A /proc of processes named comm (none: exited while being read) holding
// the given descriptor links.
void process(const std::string& root, int pid, std::optional<std::string> comm, std::vector<std::string> links) {
  auto dir = std::filesystem::path(root) / std::to_string(pid);
  std::filesystem::create_directories(dir / "fd");
  if (comm) std::ofstream(dir / "comm") << *comm << "\n";
  for (std::size_t fd = 0; fd < links.size(); ++fd) std::filesystem::create_symlink(links[fd], dir / "fd" / std::to_string(fd));
}

TEST(NettopProcTree, SumsEachProcessesTcpSocketsOnceAndSkipsTheRest) {
  testing::ScratchDirectory scratch{"proc"};
  const std::string root = scratch.string();
  SocketTable table{{100, {10, 1, 0}}, {200, {20, 2, 0}}, {300, {0, 0, 0}}, {400, {40, 4, 0}}};
  process(root, 40, "web", {"/dev/null", "socket:[100]", "socket:[100]", "socket:[200]", "pipe:[100]", "socket:[999]",
                            "socket:[]", "socket:[1a]", "socket:[4000", "socket:[18446744073709552016]"});  // 2^64 + 400
  process(root, 7, "forked,child", {"socket:[200]"});  // inherited the same socket
  process(root, 8, "udp-only", {"socket:[999]"});
  process(root, 9, "listener", {"socket:[300]"});
  process(root, 10, std::nullopt, {"socket:[100]"});  // exited while being read
  std::vector<std::string> many(1100, "/dev/null");  // read in slices by several threads
  many.push_back("socket:[400]");
  process(root, 50, "many", many);
  std::filesystem::create_directories(std::filesystem::path(root) / "self" / "fd");

  auto processes = matchProcesses(scanProcesses(root, 2), root, table);

  ASSERT_EQ(processes.size(), 4u);
  EXPECT_EQ(formatSample(processes, {Column::bytesIn, Column::bytesOut}),
            ",bytes_in,bytes_out,\n"
            "forked?child.7,20,2,\n"
            "listener.9,0,0,\n"
            "web.40,30,3,\n"
            "many.50,40,4,\n");
}

}  // namespace
}  // namespace tellwick::nettop
