#ifndef TELLWICK_TOOLS_NETTOP_NETTOP_SAMPLE_H_
#define TELLWICK_TOOLS_NETTOP_NETTOP_SAMPLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "os/result.h"

// The pieces of the Linux nettop: per-process cumulative TCP byte counters
// from the kernel's sock_diag tables, matched to processes through /proc.
namespace tellwick::nettop {

enum class Column { bytesIn, bytesOut };

struct Invocation {
  enum class Action { sample, help, usage };
  Action action = Action::sample;
  std::vector<Column> columns;  // for a sample
  std::string error;            // for usage: what was wrong, one line
};

// args without the program name. Accepts -L 1, -P, -x and -J with a list of
// bytes_in and bytes_out (the form "-L1" too); --help or -h asks for help.
Invocation parseArguments(const std::vector<std::string>& args);

std::string_view usageText();

struct SocketCounters {
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
  // The last process this socket was added to (there is no pid 0), so a
  // descriptor duplicated within one process is counted once.
  std::uint64_t owner = 0;
};
// Keyed by socket inode.
using SocketTable = std::unordered_map<std::uint64_t, SocketCounters>;

enum class DumpStep { more, done, failed };

// Adds the sockets of one received block of a sock_diag dump to table.
// Messages of another sequence number are ignored. On failed, *error holds
// the kernel's errno. The received and sent counters stay 0 when the
// kernel's tcp_info is too short to carry them.
DumpStep readDiagMessages(const void* data, std::size_t length, std::uint32_t sequence,
                          SocketTable& table, int* error);

// Every TCP socket of the kernel's tables, IPv4 and IPv6, into table, in one
// dump where the kernel takes the older request and one per family where
// not (a kernel without IPv6 has no table for it, which is no failure).
os::Status dumpTcpSockets(SocketTable& table);

// The inode of a /proc/PID/fd link text "socket:[INODE]".
std::optional<std::uint64_t> socketInode(std::string_view link);

struct ProcessCounters {
  std::uint64_t pid;
  std::string name;
  std::uint64_t received;
  std::uint64_t sent;
};

// One process's sockets: the inodes its descriptor links name.
struct ProcessSockets {
  std::uint64_t pid;
  std::vector<std::uint64_t> inodes;
};

// One pass over procRoot (normally "/proc") with up to `threads` threads:
// every process that holds a socket, in pid order. Processes whose
// descriptors cannot be read (another user's, gone meanwhile) are left out.
std::vector<ProcessSockets> scanProcesses(const std::string& procRoot, unsigned threads);

// Every scanned process that holds at least one socket of table, with the
// sums of those sockets' counters (each socket once per process) and its
// name from procRoot, in pid order. A process gone before its name was read
// is left out with its sockets.
std::vector<ProcessCounters> matchProcesses(const std::vector<ProcessSockets>& scanned,
                                            const std::string& procRoot, SocketTable& table);

// The header ",col,col," and one line "name.pid,value,value," per process.
// Bytes that would break a line or a field of a consumer (control
// characters, commas, malformed UTF-8) are shown as "?" in names.
std::string formatSample(const std::vector<ProcessCounters>& processes,
                         const std::vector<Column>& columns);

}  // namespace tellwick::nettop

#endif  // TELLWICK_TOOLS_NETTOP_NETTOP_SAMPLE_H_
