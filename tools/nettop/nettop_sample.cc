#include "tools/nettop/nettop_sample.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "os/utf8.h"

namespace tellwick::nettop {
namespace {

constexpr std::string_view kUsage =
    "usage: nettop [-L 1] [-P] [-x] [-J bytes_in,bytes_out]\n"
    "\n"
    "Prints one sample of cumulative TCP traffic per process, comma-separated:\n"
    "a header line, then \"name.pid,bytes_in,bytes_out,\" for every process that\n"
    "holds TCP sockets (IPv4 and IPv6). Counters are the bytes received and the\n"
    "bytes acknowledged by the peer on the sockets the process has open now.\n"
    "\n"
    "  -L 1      one sample (the only mode)\n"
    "  -P        one summary line per process (always)\n"
    "  -x        raw numbers (always)\n"
    "  -J COLS   columns to print, from bytes_in and bytes_out, in that order\n"
    "  -h, --help  this text\n"
    "\n"
    "Sockets are matched to processes through /proc/PID/fd. Without root only\n"
    "your own processes can be matched; sockets that cannot be matched to a\n"
    "process are left out. UDP sockets carry no byte counters and are not shown.\n"
    "\n"
    "Exit status: 0 on success, 64 on a usage error, 1 when the kernel's socket\n"
    "tables or the output cannot be accessed.\n";

Invocation usageError(std::string error) {
  Invocation invocation;
  invocation.action = Invocation::Action::usage;
  invocation.error = std::move(error);
  return invocation;
}

std::optional<std::vector<Column>> parseColumns(std::string_view list) {
  std::vector<Column> columns;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = list.find(',', start);
    std::string_view name = list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
    if (name == "bytes_in") {
      columns.push_back(Column::bytesIn);
    } else if (name == "bytes_out") {
      columns.push_back(Column::bytesOut);
    } else {
      return std::nullopt;
    }
    if (comma == std::string_view::npos) return columns;
    start = comma + 1;
  }
}

// Reads a value that may be attached ("-L1") or the next argument ("-L 1").
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i) {
  if (args[i].size() > 2) return args[i].substr(2);
  if (i + 1 >= args.size()) return std::nullopt;
  return args[++i];
}

template <typename T>
T load(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Kernels before 4.1 end tcp_info before the byte counters, and newer ones
// append fields after them: only what the attribute really holds is used.
void readTcpInfo(const unsigned char* payload, std::size_t length, SocketCounters& counters) {
  constexpr std::size_t kAckedEnd =
      offsetof(tcp_info, tcpi_bytes_acked) + sizeof(tcp_info::tcpi_bytes_acked);
  constexpr std::size_t kReceivedEnd =
      offsetof(tcp_info, tcpi_bytes_received) + sizeof(tcp_info::tcpi_bytes_received);
  if (length >= kAckedEnd) {
    counters.sent = load<std::uint64_t>(payload + offsetof(tcp_info, tcpi_bytes_acked));
  }
  if (length >= kReceivedEnd) {
    counters.received = load<std::uint64_t>(payload + offsetof(tcp_info, tcpi_bytes_received));
  }
}

// The kernel's TCP state numbers (net/tcp_states.h, not exported to user space).
constexpr unsigned kTimeWait = 6;
constexpr unsigned kNewSynRecv = 12;

Status failure(const char* what, int error) {
  return {false, error, std::string(what) + ": " + std::strerror(error)};
}

constexpr std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

void readDiagMessage(const unsigned char* body, std::size_t length, SocketTable& table) {
  if (length < sizeof(inet_diag_msg)) return;
  auto message = load<inet_diag_msg>(body);
  // Time-wait and request minisockets have no inode and no owner.
  if (message.idiag_inode == 0) return;
  SocketCounters counters;
  std::size_t offset = align4(sizeof(inet_diag_msg));
  while (offset + sizeof(rtattr) <= length) {
    auto attribute = load<rtattr>(body + offset);
    if (attribute.rta_len < sizeof(rtattr) || offset + attribute.rta_len > length) break;
    if (attribute.rta_type == INET_DIAG_INFO) {
      readTcpInfo(body + offset + align4(sizeof(rtattr)),
                  attribute.rta_len - align4(sizeof(rtattr)), counters);
    }
    offset += align4(attribute.rta_len);
  }
  table.insert_or_assign(message.idiag_inode, counters);
}

std::string sanitizedName(std::string_view name) {
  std::string text = replaceInvalidUtf8(name, '?');
  for (char& c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == ',') c = '?';
  }
  return text;
}

bool isPid(const char* name) {
  if (*name == '\0') return false;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

std::optional<std::string> readComm(int proc_fd, const std::string& pid) {
  int fd = ::openat(proc_fd, (pid + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char buffer[256];
  ssize_t n;
  do {
    n = ::read(fd, buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n < 0) return std::nullopt;
  std::string_view comm(buffer, static_cast<std::size_t>(n));
  if (comm.ends_with('\n')) comm.remove_suffix(1);
  return std::string(comm);
}

}  // namespace

Invocation parseArguments(const std::vector<std::string>& args) {
  Invocation invocation;
  invocation.columns = {Column::bytesIn, Column::bytesOut};
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      invocation.action = Invocation::Action::help;
      return invocation;
    }
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-P" || arg == "-x") continue;
    if (arg.starts_with("-L")) {
      auto value = optionValue(args, i);
      if (!value) return usageError("option -L needs a value");
      if (*value != "1") return usageError("only one sample is supported: -L 1");
    } else if (arg.starts_with("-J")) {
      auto value = optionValue(args, i);
      if (!value) return usageError("option -J needs a list of columns");
      auto columns = parseColumns(*value);
      if (!columns) return usageError("unknown column in -J " + *value);
      invocation.columns = std::move(*columns);
    } else {
      return usageError("unknown argument " + arg);
    }
  }
  return invocation;
}

std::string_view usageText() { return kUsage; }

DumpStep readDiagMessages(const void* data, std::size_t length, std::uint32_t sequence,
                          SocketTable& table, int* error) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::size_t offset = 0;
  while (offset + sizeof(nlmsghdr) <= length) {
    auto header = load<nlmsghdr>(bytes + offset);
    if (header.nlmsg_len < sizeof(nlmsghdr) || offset + header.nlmsg_len > length) break;
    const unsigned char* body = bytes + offset + NLMSG_HDRLEN;
    std::size_t body_length = header.nlmsg_len - NLMSG_HDRLEN;
    if (header.nlmsg_seq == sequence) {
      if (header.nlmsg_type == NLMSG_DONE) return DumpStep::done;
      if (header.nlmsg_type == NLMSG_ERROR) {
        int code = body_length >= sizeof(int) ? load<int>(body) : -EPROTO;
        if (error) *error = code < 0 ? -code : EPROTO;
        return DumpStep::failed;
      }
      if (header.nlmsg_type == SOCK_DIAG_BY_FAMILY) readDiagMessage(body, body_length, table);
    }
    offset += NLMSG_ALIGN(header.nlmsg_len);
  }
  return DumpStep::more;
}

Status dumpTcpSockets(int family, SocketTable& table) {
  int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
  if (fd < 0) return failure("cannot open the sock_diag socket", errno);

  constexpr std::uint32_t kSequence = 1;
  struct {
    nlmsghdr header;
    inet_diag_req_v2 request;
  } message{};
  message.header.nlmsg_len = sizeof message;
  message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  message.header.nlmsg_seq = kSequence;
  message.request.sdiag_family = static_cast<std::uint8_t>(family);
  message.request.sdiag_protocol = IPPROTO_TCP;
  // Every state except the minisockets of time-wait and pending requests,
  // which belong to no process.
  message.request.idiag_states = ~((1u << kTimeWait) | (1u << kNewSynRecv));
  message.request.idiag_ext = 1u << (INET_DIAG_INFO - 1);

  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) != static_cast<ssize_t>(sizeof message)) {
    Status status = failure("cannot request the socket table", errno);
    ::close(fd);
    return status;
  }

  // The kernel fills dump blocks of at most 32 KiB.
  std::vector<std::uint64_t> storage(64 * 1024 / sizeof(std::uint64_t));
  const std::size_t capacity = storage.size() * sizeof(std::uint64_t);
  Status status;
  for (;;) {
    ssize_t n = ::recv(fd, storage.data(), capacity, MSG_TRUNC);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      status = failure("cannot read the socket table", n < 0 ? errno : EPROTO);
      break;
    }
    if (static_cast<std::size_t>(n) > capacity) {
      status = failure("cannot read the socket table", EMSGSIZE);
      break;
    }
    int error = 0;
    DumpStep step =
        readDiagMessages(storage.data(), static_cast<std::size_t>(n), kSequence, table, &error);
    if (step == DumpStep::done) break;
    if (step == DumpStep::failed) {
      status = failure("the kernel refused the socket table", error);
      break;
    }
  }
  ::close(fd);
  return status;
}

std::optional<std::uint64_t> socketInode(std::string_view link) {
  constexpr std::string_view kPrefix = "socket:[";
  if (!link.starts_with(kPrefix) || !link.ends_with(']')) return std::nullopt;
  std::string_view digits = link.substr(kPrefix.size(), link.size() - kPrefix.size() - 1);
  if (digits.empty() || digits.size() > 19) return std::nullopt;
  std::uint64_t inode = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    inode = inode * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return inode;
}

std::vector<ProcessCounters> matchProcesses(const std::string& procRoot, SocketTable& table) {
  std::vector<ProcessCounters> processes;
  DIR* proc = ::opendir(procRoot.c_str());
  if (!proc) return processes;
  const int proc_fd = ::dirfd(proc);
  while (const dirent* entry = ::readdir(proc)) {
    if (!isPid(entry->d_name)) continue;
    const std::string pid_text = entry->d_name;
    const std::uint64_t pid = std::stoull(pid_text);
    int fd_dir = ::openat(proc_fd, (pid_text + "/fd").c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_dir < 0) continue;
    DIR* fds = ::fdopendir(fd_dir);
    if (!fds) {
      ::close(fd_dir);
      continue;
    }
    bool owns_socket = false;
    ProcessCounters sums{pid, {}, 0, 0};
    while (const dirent* fd_entry = ::readdir(fds)) {
      if (fd_entry->d_name[0] == '.') continue;
      char link[64];
      ssize_t n = ::readlinkat(fd_dir, fd_entry->d_name, link, sizeof link);
      if (n <= 0 || static_cast<std::size_t>(n) >= sizeof link) continue;
      auto inode = socketInode(std::string_view(link, static_cast<std::size_t>(n)));
      if (!inode) continue;
      auto it = table.find(*inode);
      if (it == table.end()) continue;
      owns_socket = true;
      if (it->second.owner == pid) continue;
      it->second.owner = pid;
      sums.received += it->second.received;
      sums.sent += it->second.sent;
    }
    ::closedir(fds);
    if (!owns_socket) continue;
    // No name means the process has exited meanwhile, and its sockets with it.
    auto comm = readComm(proc_fd, pid_text);
    if (!comm) continue;
    sums.name = std::move(*comm);
    processes.push_back(std::move(sums));
  }
  ::closedir(proc);
  std::sort(processes.begin(), processes.end(),
            [](const ProcessCounters& a, const ProcessCounters& b) { return a.pid < b.pid; });
  return processes;
}

std::string formatSample(const std::vector<ProcessCounters>& processes,
                         const std::vector<Column>& columns) {
  std::string out = ",";
  for (Column c : columns) out += c == Column::bytesIn ? "bytes_in," : "bytes_out,";
  out += '\n';
  for (const auto& p : processes) {
    out += sanitizedName(p.name);
    out += '.';
    out += std::to_string(p.pid);
    out += ',';
    for (Column c : columns) {
      out += std::to_string(c == Column::bytesIn ? p.received : p.sent);
      out += ',';
    }
    out += '\n';
  }
  return out;
}

}  // namespace tellwick::nettop
