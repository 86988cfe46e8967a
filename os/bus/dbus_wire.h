#ifndef TELLWICK_OS_BUS_DBUS_WIRE_H_
#define TELLWICK_OS_BUS_DBUS_WIRE_H_

// The few D-Bus messages a notification client exchanges with the bus,
// in their wire form. For the Linux session bus implementations only.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellwick::os::dbus {

enum class MessageType : std::uint8_t { methodCall = 1, methodReturn = 2, error = 3, signal = 4 };

inline constexpr std::uint8_t kNoReplyExpected = 0x1;

// One body argument: a string ('s') or an unsigned 32-bit number ('u').
struct Argument {
  char type;
  std::string_view text;
  std::uint32_t number = 0;
};
inline Argument text(std::string_view value) { return {'s', value}; }
inline Argument number(std::uint32_t value) { return {'u', {}, value}; }

// What goes in a header; empty fields are left out.
struct Header {
  MessageType type = MessageType::methodCall;
  std::uint8_t flags = 0;
  std::uint32_t serial = 0;
  std::optional<std::uint32_t> replySerial;
  std::string_view path, interface, member, errorName, destination;
};

// Appends the message, little-endian, to out.
void appendMessage(std::string& out, const Header& header, const std::vector<Argument>& body);

// A message as received. Of the body only what a client looks at is kept:
// its leading string arguments (at most four), or its first argument when
// that is a boolean or an unsigned 32-bit number.
struct Message {
  MessageType type = MessageType::methodCall;
  std::uint8_t flags = 0;
  std::uint32_t serial = 0;
  std::optional<std::uint32_t> replySerial;
  std::string path, interface, member, errorName, sender, signature;
  std::vector<std::string> strings;
  std::optional<std::uint32_t> number;
};

// Cuts the bytes read from the bus into messages. Whatever the bytes hold,
// memory stays bounded: a message larger than kMaxKept bytes is read past
// and dropped, as is one whose header cannot be read; a stream that is not
// D-Bus at all (a bad byte-order mark or version, a length beyond the
// protocol's limit) breaks the reader for good.
class MessageReader {
 public:
  static constexpr std::size_t kMaxKept = 1 << 20;
  static constexpr std::uint64_t kMaxMessage = std::uint64_t{1} << 27;

  void feed(std::string_view bytes);
  // The next whole message, or nullopt until more bytes come.
  std::optional<Message> next();
  // Why the stream cannot be read on; empty while it can.
  const std::string& broken() const { return broken_; }

 private:
  std::string buffer_;
  std::size_t start_ = 0;
  std::uint64_t skipping_ = 0;
  std::string broken_;
};

// Parses one whole message; nullopt when it does not follow the format.
std::optional<Message> parseMessage(std::string_view bytes);

// A local socket named in a bus address: a path, or a name in the abstract
// namespace.
struct LocalSocket {
  std::string path;
  bool abstract = false;
  bool operator==(const LocalSocket&) const = default;
};

// The local sockets of a bus address list ("unix:path=...;unix:abstract=...")
// in order, their %-escapes undone; other transports, and values with a
// broken escape, are passed over.
std::vector<LocalSocket> localSockets(std::string_view addresses);

}  // namespace tellwick::os::dbus

#endif  // TELLWICK_OS_BUS_DBUS_WIRE_H_
