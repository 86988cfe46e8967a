// libFuzzer target: any bytes as what the session bus sends a client. The
// reader must stay bounded whatever arrives and however the socket splits
// it, read the same messages from one piece as from many, and every message
// it hands out must survive being written again and read back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/dbus_wire.h"

using namespace tellwick::os::dbus;

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

std::vector<Message> readAll(std::string_view bytes, std::size_t piece) {
  MessageReader reader;
  std::vector<Message> messages;
  for (std::size_t i = 0; i < bytes.size(); i += piece) {
    reader.feed(bytes.substr(i, piece));
    while (auto message = reader.next()) messages.push_back(std::move(*message));
  }
  return messages;
}

bool same(const Message& a, const Message& b) {
  return a.type == b.type && a.flags == b.flags && a.serial == b.serial && a.replySerial == b.replySerial &&
         a.path == b.path && a.interface == b.interface && a.member == b.member && a.errorName == b.errorName &&
         a.strings == b.strings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto whole = readAll(bytes, bytes.size() + 1);
  const auto split = readAll(bytes, 1 + size % 7);
  require(whole.size() == split.size());
  for (std::size_t i = 0; i < whole.size(); ++i) require(same(whole[i], split[i]));

  for (const Message& m : whole) {
    require(m.strings.size() <= 4);
    std::vector<Argument> body;
    for (const std::string& s : m.strings) body.push_back(text(s));
    if (m.strings.empty() && m.number) body.push_back(number(*m.number));
    std::string again;
    appendMessage(again, {m.type, m.flags, m.serial, m.replySerial, m.path, m.interface, m.member, m.errorName, {}},
                  body);
    auto reread = parseMessage(again);
    require(reread && same(*reread, m));
  }
  return 0;
}
