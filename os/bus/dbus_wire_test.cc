#include "os/bus/dbus_wire.h"

#include <gtest/gtest.h>

namespace tellwick::os::dbus {
namespace {

std::string encoded(const Header& header, const std::vector<Argument>& body) {
  std::string out;
  appendMessage(out, header, body);
  return out;
}

// "type serial>replySerial path interface member error strings number".
std::string shown(const std::optional<Message>& m) {
  if (!m) return "none";
  std::string text = std::to_string(static_cast<int>(m->type)) + " " + std::to_string(m->serial) + ">" +
                     (m->replySerial ? std::to_string(*m->replySerial) : "-");
  for (const auto* field : {&m->path, &m->interface, &m->member, &m->errorName}) text += " " + *field;
  for (const auto& s : m->strings) text += " '" + s + "'";
  return text + (m->number ? " #" + std::to_string(*m->number) : "");
}

TEST(DBusWireTest, MessagesReadBackAsWritten) {
  std::string bytes = encoded({MessageType::signal, kNoReplyExpected, 7, std::nullopt, "/a/b", "i.f", "Notification", {}, {}},
                              {text("RequestFans"), text("o'bject")});
  bytes += encoded({MessageType::error, 0, 8, 3, {}, {}, {}, "x.Error", ":1.4"}, {text("why")});
  bytes += encoded({MessageType::methodReturn, 0, 9, 4, {}, {}, {}, {}, ":1.4"}, {number(1)});
  MessageReader reader;
  // In pieces, as a socket hands them over.
  for (std::size_t i = 0; i < bytes.size(); i += 5) reader.feed(std::string_view(bytes).substr(i, 5));
  std::string read;
  for (int i = 0; i < 4; ++i) read += shown(reader.next()) + "\n";
  EXPECT_EQ(read, "4 7>- /a/b i.f Notification  'RequestFans' 'o'bject'\n3 8>3    x.Error 'why'\n"
                  "2 9>4     #1\nnone\n");
  EXPECT_TRUE(reader.broken().empty());
}

TEST(DBusWireTest, BigEndianSendersAreRead) {
  // A signal from a big-endian peer: body (s) "Hi".
  const std::string bytes(
      "B\4\0\1\0\0\0\7\0\0\0\5\0\0\0\x27"
      "\1\1o\0\0\0\0\2/a\0\0\0\0\0\0"
      "\3\1s\0\0\0\0\1m\0\0\0\0\0\0\0"
      "\x08\1g\0\1s\0\0"
      "\0\0\0\2Hi\0",
      63);
  EXPECT_EQ(shown(parseMessage(bytes)), "4 5>- /a  m  'Hi'");
}

TEST(DBusWireTest, BadMessagesCostOnlyThemselves) {
  const std::string good = encoded({MessageType::signal, 0, 1, std::nullopt, "/p", "i.f", "m", {}, {}}, {text("x")});
  std::string lying = good;
  lying[4] = 9;  // body length longer than the body
  std::string badField = good;
  badField[17] = 2, badField[18] = '(', badField[19] = 's';
  for (const std::string& bad : {good.substr(0, 20), lying, badField}) {
    EXPECT_FALSE(parseMessage(bad)) << bad.size();
  }
  // An unreadable header is dropped, the next message read.
  MessageReader reader;
  reader.feed(badField + good);
  ASSERT_TRUE(reader.next());
  EXPECT_TRUE(reader.broken().empty());
}

TEST(DBusWireTest, LargeMessagesAreSkippedAndGarbageBreaksTheStream) {
  MessageReader reader;
  std::string huge = encoded({MessageType::signal, 0, 1, std::nullopt, "/p", "i.f", "m", {}, {}},
                             {text(std::string(MessageReader::kMaxKept, 'x'))});
  const std::string good = encoded({MessageType::signal, 0, 2, std::nullopt, "/p", "i.f", "m", {}, {}}, {});
  for (std::size_t i = 0; i < huge.size(); i += 4096) {
    reader.feed(std::string_view(huge).substr(i, 4096));
    EXPECT_FALSE(reader.next());
  }
  reader.feed(good);
  auto next = reader.next();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->serial, 2u);

  for (const std::string& garbage : {std::string("HTTP/1.1 200 OK\r\n\r\n"),
                                     std::string("l\4\0\1\xff\xff\xff\x7f\1\0\0\0\0\0\0\0", 16)}) {
    MessageReader broken;
    broken.feed(garbage);
    EXPECT_FALSE(broken.next());
    EXPECT_FALSE(broken.broken().empty());
  }
}

TEST(DBusWireTest, LocalSocketsOfAnAddressListInOrder) {
  const struct {
    const char* addresses;
    std::vector<LocalSocket> sockets;
  } kCases[] = {
      {"unix:path=/run/user/1000/bus", {{"/run/user/1000/bus", false}}},
      {"tcp:host=h,port=1;unix:guid=9,abstract=/tmp/dbus-%41b%0a;unix:path=/b",
       {{"/tmp/dbus-Ab\n", true}, {"/b", false}}},
      {"unix:tmpdir=/tmp;unix:path=/a%4;unix:path=/a%zz;unix:path=/c%2", {}},
      {"", {}},
  };
  for (const auto& c : kCases) EXPECT_EQ(localSockets(c.addresses), c.sockets) << c.addresses;
}

}  // namespace
}  // namespace tellwick::os::dbus
