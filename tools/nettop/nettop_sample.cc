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
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "os/posix_file.h"
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

std::optional<std::uint64_t> pidOf(std::string_view name) {
  if (name.empty() || name.size() > 19) return std::nullopt;
  std::uint64_t pid = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return std::nullopt;
    pid = pid * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return pid;
}

// The names in an open directory, "." and ".." left out; read with
// getdents64 into a large buffer, since a process may hold thousands of
// descriptors.
std::vector<std::string> directoryNames(int fd) {
  std::vector<std::string> names;
  alignas(dirent64) char buffer[65536];
  for (;;) {
    ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t offset = 0; offset < n;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
      offset += entry->d_reclen;
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
  }
  return names;
}

std::optional<std::string> readComm(const std::string& procRoot, std::uint64_t pid) {
  auto comm = os::readWholeFile(procRoot + "/" + std::to_string(pid) + "/comm", 256);
  if (!comm) return std::nullopt;
  if (comm->ends_with('\n')) comm->pop_back();
  return std::move(*comm);
}

// What the threads of one scan share: a queue of work and where its results go.
class Scan {
 public:
  Scan(const std::string& procRoot, std::vector<std::uint64_t> pids) : root_(procRoot), pids_(std::move(pids)) {
    results_.resize(pids_.size());
    for (std::size_t i = 0; i < pids_.size(); ++i) queue_.push_back({i, nullptr, {}, 0, 0});
    outstanding_ = queue_.size();
  }

  void work() {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !queue_.empty() || outstanding_ == 0; });
      if (queue_.empty()) return;
      Item item = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      if (!item.directory) list(item);
      std::vector<std::uint64_t> inodes = readLinks(item);
      lock.lock();
      auto& into = results_[item.process];
      into.insert(into.end(), inodes.begin(), inodes.end());
      if (--outstanding_ == 0) changed_.notify_all();
    }
  }

  std::vector<ProcessSockets> results() {
    std::vector<ProcessSockets> out;
    for (std::size_t i = 0; i < pids_.size(); ++i) {
      if (!results_[i].empty()) out.push_back({pids_[i], std::move(results_[i])});
    }
    return out;
  }

 private:
  // Descriptors of one process, or a slice of a process that holds many.
  struct Item {
    std::size_t process;
    std::shared_ptr<os::FileDescriptor> directory;
    std::shared_ptr<const std::vector<std::string>> names;
    std::size_t begin, end;
  };
  static constexpr std::size_t kSlice = 512;

  // Lists the process's descriptors; all but the first slice go back on the
  // queue for the other threads.
  void list(Item& item) {
    const std::string path = root_ + "/" + std::to_string(pids_[item.process]) + "/fd";
    item.directory = std::make_shared<os::FileDescriptor>(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!item.directory->valid()) return;
    auto names = std::make_shared<const std::vector<std::string>>(directoryNames(item.directory->get()));
    item.names = names;
    item.begin = 0;
    item.end = std::min(names->size(), kSlice);
    std::lock_guard lock(mutex_);
    for (std::size_t begin = kSlice; begin < names->size(); begin += kSlice) {
      queue_.push_back({item.process, item.directory, names, begin, std::min(names->size(), begin + kSlice)});
      ++outstanding_;
      changed_.notify_one();
    }
  }

  static std::vector<std::uint64_t> readLinks(const Item& item) {
    std::vector<std::uint64_t> inodes;
    if (!item.names) return inodes;
    for (std::size_t i = item.begin; i < item.end; ++i) {
      char link[64];
      ssize_t n = ::readlinkat(item.directory->get(), (*item.names)[i].c_str(), link, sizeof link);
      if (n <= 0 || static_cast<std::size_t>(n) >= sizeof link) continue;
      if (auto inode = socketInode(std::string_view(link, static_cast<std::size_t>(n)))) inodes.push_back(*inode);
    }
    return inodes;
  }

  const std::string& root_;
  const std::vector<std::uint64_t> pids_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  std::size_t outstanding_ = 0;
  std::vector<std::vector<std::uint64_t>> results_;
};

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
      // Answers carry the type of their request: the newer one or the older.
      if (header.nlmsg_type == SOCK_DIAG_BY_FAMILY || header.nlmsg_type == TCPDIAG_GETSOCK) {
        readDiagMessage(body, body_length, table);
      }
    }
    offset += NLMSG_ALIGN(header.nlmsg_len);
  }
  return DumpStep::more;
}

namespace {

constexpr std::uint32_t kSequence = 1;
// Every state except the minisockets of time-wait and pending requests,
// which belong to no process.
constexpr std::uint32_t kStates = ~((1u << kTimeWait) | (1u << kNewSynRecv));
// The extension that carries tcp_info, with the byte counters.
constexpr std::uint8_t kInfo = 1u << (INET_DIAG_INFO - 1);

// Sends one dump request and reads its answer into table; when the kernel
// refuses it, refused holds the kernel's errno.
os::Status runDump(const void* request, std::size_t length, SocketTable& table, int& refused) {
  refused = 0;
  os::FileDescriptor fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
  if (!fd.valid()) return os::failure(os::errnoMessage("cannot open the sock_diag socket", errno));
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd.get(), request, length, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) !=
      static_cast<ssize_t>(length)) {
    return os::failure(os::errnoMessage("cannot request the socket table", errno));
  }
  // The kernel fills dump blocks of at most 32 KiB.
  std::vector<std::uint64_t> storage(64 * 1024 / sizeof(std::uint64_t));
  const std::size_t capacity = storage.size() * sizeof(std::uint64_t);
  for (;;) {
    ssize_t n = ::recv(fd.get(), storage.data(), capacity, MSG_TRUNC);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return os::failure(os::errnoMessage("cannot read the socket table", n < 0 ? errno : EPROTO));
    if (static_cast<std::size_t>(n) > capacity) {
      return os::failure(os::errnoMessage("cannot read the socket table", EMSGSIZE));
    }
    DumpStep step = readDiagMessages(storage.data(), static_cast<std::size_t>(n), kSequence, table, &refused);
    if (step == DumpStep::done) return {};
    if (step == DumpStep::failed) return os::failure(os::errnoMessage("the kernel refused the socket table", refused));
  }
}

// One dump request of type (the request struct it carries), its answer read
// into table.
template <typename Request>
os::Status dump(std::uint16_t type, const Request& request, SocketTable& table, int& refused) {
  struct {
    nlmsghdr header;
    Request request;
  } message{};
  message.header = {sizeof message, type, NLM_F_REQUEST | NLM_F_DUMP, kSequence, 0};
  message.request = request;
  return runDump(&message, sizeof message, table, refused);
}

}  // namespace

os::Status dumpTcpSockets(SocketTable& table) {
  // The older request dumps both families in one walk of the kernel's
  // tables, which are the same for both; the newer one walks them once per
  // family, the second walk costing half the first with no socket in it.
  inet_diag_req both{};
  both.idiag_family = AF_INET;
  both.idiag_states = kStates;
  both.idiag_ext = kInfo;
  int refused = 0;
  os::Status status = dump(TCPDIAG_GETSOCK, both, table, refused);
  if (status || refused == 0) return status;

  for (int family : {AF_INET, AF_INET6}) {
    inet_diag_req_v2 one{};
    one.sdiag_family = static_cast<std::uint8_t>(family);
    one.sdiag_protocol = IPPROTO_TCP;
    one.idiag_states = kStates;
    one.idiag_ext = kInfo;
    status = dump(SOCK_DIAG_BY_FAMILY, one, table, refused);
    // A kernel built without IPv6 has no table for it.
    if (!status && !(family == AF_INET6 && refused == ENOENT)) return status;
  }
  return {};
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

std::vector<ProcessSockets> scanProcesses(const std::string& procRoot, unsigned threads) {
  std::vector<std::uint64_t> pids;
  os::FileDescriptor proc(::open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!proc.valid()) return {};
  for (const std::string& name : directoryNames(proc.get())) {
    if (auto pid = pidOf(name)) pids.push_back(*pid);
  }
  std::sort(pids.begin(), pids.end());
  Scan scan(procRoot, std::move(pids));
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) helpers.emplace_back([&scan] { scan.work(); });
  scan.work();
  for (auto& helper : helpers) helper.join();
  return scan.results();
}

std::vector<ProcessCounters> matchProcesses(const std::vector<ProcessSockets>& scanned,
                                            const std::string& procRoot, SocketTable& table) {
  std::vector<ProcessCounters> processes;
  for (const ProcessSockets& p : scanned) {
    bool ownsSocket = false;
    ProcessCounters sums{p.pid, {}, 0, 0};
    for (std::uint64_t inode : p.inodes) {
      auto it = table.find(inode);
      if (it == table.end()) continue;
      ownsSocket = true;
      if (it->second.owner == p.pid) continue;
      it->second.owner = p.pid;
      sums.received += it->second.received;
      sums.sent += it->second.sent;
    }
    if (!ownsSocket) continue;
    // No name means the process has exited meanwhile, and its sockets with it.
    auto comm = readComm(procRoot, p.pid);
    if (!comm) continue;
    sums.name = std::move(*comm);
    processes.push_back(std::move(sums));
  }
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
