// libFuzzer target: the sampler's nettop line parser. Arbitrary text must
// parse without a fault into records that each come from one line; and a
// sample that the Linux nettop formats from any processes must read back as
// exactly those processes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tools/nettop/nettop_sample.h"
#include "traffic/network_controller.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// Takes n bytes off the front of data (fewer when it runs out).
std::string_view take(std::string_view& data, std::size_t n) {
  std::string_view piece = data.substr(0, n);
  data.remove_prefix(piece.size());
  return piece;
}

std::uint64_t takeNumber(std::string_view& data) {
  std::uint64_t value = 0;
  auto bytes = take(data, 8);
  std::memcpy(&value, bytes.data(), bytes.size());
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::string_view data(reinterpret_cast<const char*>(bytes), size);

  auto records = tellwick::parseTrafficSample(data);
  std::size_t lineFeeds = 0;
  for (char c : data) lineFeeds += c == '\n';
  require(records.size() <= lineFeeds);
  for (const auto& record : records) {
    // Every record is one line "name.pid,in,out" read back.
    std::string line = record.name() + "." + std::to_string(record.pid()) + "," +
                       std::to_string(record.received()) + "," + std::to_string(record.sent());
    auto again = tellwick::parseTrafficSample("h\n" + line + "\n");
    require(again.size() == 1 && again[0].name() == record.name() &&
            again[0].pid() == record.pid() && again[0].received() == record.received() &&
            again[0].sent() == record.sent());
  }

  // The same bytes as processes: 1 length byte and a name, then 24 bytes of
  // counters, over and over.
  std::vector<tellwick::nettop::ProcessCounters> processes;
  while (!data.empty()) {
    auto length = static_cast<unsigned char>(take(data, 1)[0]) % 64;
    tellwick::nettop::ProcessCounters process;
    process.name = std::string(take(data, length));
    process.pid = takeNumber(data);
    process.received = takeNumber(data);
    process.sent = takeNumber(data);
    processes.push_back(std::move(process));
  }
  using tellwick::nettop::Column;
  std::string sample = tellwick::nettop::formatSample(processes, {Column::bytesIn, Column::bytesOut});
  auto read = tellwick::parseTrafficSample(sample);
  require(read.size() == processes.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    require(read[i].pid() == processes[i].pid);
    require(read[i].received() == processes[i].received);
    require(read[i].sent() == processes[i].sent);
    require(read[i].name().size() <= processes[i].name.size() * 3);
  }
  return 0;
}
