#include "os/bus/dbus_wire.h"

#include <gtest/gtest.h>

namespace tellwick::os::dbus {
namespace {

std::string encoded(const Header& header, const std::vector<Argument>& body) {
  std::string out;
  appendMessage(out, header, body);
  return out;
}

TEST(DBusWireTest, MessagesReadBackAsWritten) {
  std::string bytes = encoded({MessageType::signal, kNoReplyExpected, 7, std::nullopt, "/a/b", "i.f", "Notification", {}, {}},
                              {text("RequestFans"), text("o'bject")});
  bytes += encoded({MessageType::error, 0, 8, 3, {}, {}, {}, "x.Error", ":1.4"}, {text("why")});
  bytes += encoded({MessageType::methodReturn, 0, 9, 4, {}, {}, {}, {}, ":1.4"}, {number(1)});
  MessageReader reader;
  // In pieces, as a socket hands them over.
  for (std::size_t i = 0; i < bytes.size(); i += 5) reader.feed(std::string_view(bytes).substr(i, 5));
  auto signal = reader.next();
  ASSERT_TRUE(signal);
  EXPECT_EQ(signal->type, MessageType::signal);
  EXPECT_EQ(signal->serial, 7u);
  EXPECT_EQ(signal->path, "/a/b");
  EXPECT_EQ(signal->interface, "i.f");
  EXPECT_EQ(signal->member, "Notification");
  EXPECT_EQ(signal->strings, (std::vector<std::string>{"RequestFans", "o'bject"}));
  auto error = reader.next();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->errorName, "x.Error");
  EXPECT_EQ(error->replySerial, 3u);
  EXPECT_EQ(error->strings, std::vector<std::string>{"why"});
  auto reply = reader.next();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->number, 1u);
  EXPECT_FALSE(reader.next());
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
  auto message = parseMessage(bytes);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->serial, 5u);
  EXPECT_EQ(message->path, "/a");
  EXPECT_EQ(message->strings, std::vector<std::string>{"Hi"});
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

}  // namespace
}  // namespace tellwick::os::dbus
