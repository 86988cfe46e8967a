#include "os/bus/dbus_wire.h"

#include <algorithm>
#include <cstring>

namespace tellwick::os::dbus {
namespace {

enum Field : std::uint8_t {
  kPath = 1,
  kInterface = 2,
  kMember = 3,
  kErrorName = 4,
  kReplySerial = 5,
  kDestination = 6,
  kSender = 7,
  kSignature = 8,
};

constexpr std::size_t align(std::size_t offset, std::size_t to) { return (offset + to - 1) / to * to; }

// Writes at offsets counted from the message's first byte, where the
// format counts its alignment from.
class Writer {
 public:
  explicit Writer(std::string& out) : out_(out), base_(out.size()) {}

  std::size_t offset() const { return out_.size() - base_; }
  void pad(std::size_t to) { out_.append(align(offset(), to) - offset(), '\0'); }
  void byte(std::uint8_t value) { out_.push_back(static_cast<char>(value)); }
  void u32(std::uint32_t value) {
    pad(4);
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    out_.append(bytes, 4);
  }
  void putU32At(std::size_t offset, std::uint32_t value) {
    std::memcpy(out_.data() + base_ + offset, &value, 4);
  }
  void string(std::string_view value) {
    u32(static_cast<std::uint32_t>(value.size()));
    out_.append(value);
    byte(0);
  }
  void signature(std::string_view value) {
    byte(static_cast<std::uint8_t>(value.size()));
    out_.append(value);
    byte(0);
  }
  void stringField(Field code, char type, std::string_view value) {
    if (value.empty()) return;
    pad(8);
    byte(code);
    signature(std::string_view(&type, 1));
    if (type == 'g') {
      signature(value);
    } else {
      string(value);
    }
  }

 private:
  std::string& out_;
  std::size_t base_;
};

// Reads in the message's own byte order; every read checks its bounds.
class Reader {
 public:
  Reader(std::string_view bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}

  std::size_t offset() const { return offset_; }
  bool seek(std::size_t offset) {
    if (offset > bytes_.size()) return false;
    offset_ = offset;
    return true;
  }
  bool pad(std::size_t to) { return seek(align(offset_, to)); }
  std::optional<std::uint8_t> byte() {
    if (offset_ >= bytes_.size()) return std::nullopt;
    return static_cast<std::uint8_t>(bytes_[offset_++]);
  }
  std::optional<std::uint32_t> u32() {
    if (!pad(4) || bytes_.size() - offset_ < 4) return std::nullopt;
    unsigned char b[4];
    std::memcpy(b, bytes_.data() + offset_, 4);
    offset_ += 4;
    if (big_) return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
    return (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[1]} << 8) | b[0];
  }
  // Text of the given length followed by its terminating zero byte.
  std::optional<std::string> terminated(std::size_t length) {
    if (bytes_.size() - offset_ <= length || bytes_[offset_ + length] != '\0') return std::nullopt;
    std::string value(bytes_.substr(offset_, length));
    offset_ += length + 1;
    return value;
  }
  std::optional<std::string> string() {
    auto length = u32();
    if (!length) return std::nullopt;
    return terminated(*length);
  }
  std::optional<std::string> signature() {
    auto length = byte();
    if (!length) return std::nullopt;
    return terminated(*length);
  }
  // Steps over one value of a basic type.
  bool skip(char type) {
    switch (type) {
      case 'y': return byte().has_value();
      case 'n':
      case 'q': return pad(2) && seek(offset_ + 2);
      case 'b':
      case 'i':
      case 'u':
      case 'h': return u32().has_value();
      case 'x':
      case 't':
      case 'd': return pad(8) && seek(offset_ + 8);
      case 's':
      case 'o': return string().has_value();
      case 'g': return signature().has_value();
      default: return false;
    }
  }

 private:
  std::string_view bytes_;
  bool big_;
  std::size_t offset_ = 0;
};

bool readFields(Reader& in, std::size_t end, Message& message) {
  while (in.offset() < end) {
    if (!in.pad(8) || in.offset() >= end) return false;
    auto code = in.byte();
    auto type = in.signature();
    if (!code || !type || type->size() != 1) return false;
    const char t = (*type)[0];
    std::string* text = nullptr;
    char expected = 's';
    switch (*code) {
      case kPath: text = &message.path, expected = 'o'; break;
      case kInterface: text = &message.interface; break;
      case kMember: text = &message.member; break;
      case kErrorName: text = &message.errorName; break;
      case kSender: text = &message.sender; break;
      case kSignature: text = &message.signature, expected = 'g'; break;
      case kReplySerial: {
        if (t != 'u') return false;
        message.replySerial = in.u32();
        if (!message.replySerial) return false;
        continue;
      }
      default:
        // Unknown fields, the destination among them, are stepped over.
        if (!in.skip(t)) return false;
        continue;
    }
    if (t != expected) return false;
    auto value = t == 'g' ? in.signature() : in.string();
    if (!value) return false;
    *text = std::move(*value);
  }
  return in.offset() == end;
}

int fromHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> unescapedAddressValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      out += value[i];
      continue;
    }
    if (i + 2 >= value.size() || fromHex(value[i + 1]) < 0 || fromHex(value[i + 2]) < 0) {
      return std::nullopt;
    }
    out += static_cast<char>(fromHex(value[i + 1]) * 16 + fromHex(value[i + 2]));
    i += 2;
  }
  return out;
}

}  // namespace

std::vector<LocalSocket> localSockets(std::string_view list) {
  std::vector<LocalSocket> out;
  while (!list.empty()) {
    std::string_view entry = list.substr(0, list.find(';'));
    list.remove_prefix(std::min(list.size(), entry.size() + 1));
    if (!entry.starts_with("unix:")) continue;
    entry.remove_prefix(5);
    while (!entry.empty()) {
      std::string_view pair = entry.substr(0, entry.find(','));
      entry.remove_prefix(std::min(entry.size(), pair.size() + 1));
      const bool abstract = pair.starts_with("abstract=");
      if (!abstract && !pair.starts_with("path=")) continue;
      if (auto value = unescapedAddressValue(pair.substr(pair.find('=') + 1))) {
        out.push_back({std::move(*value), abstract});
      }
    }
  }
  return out;
}

void appendMessage(std::string& out, const Header& header, const std::vector<Argument>& body) {
  std::string signature;
  for (const Argument& a : body) signature.push_back(a.type);
  Writer w(out);
  w.byte('l');
  w.byte(static_cast<std::uint8_t>(header.type));
  w.byte(header.flags);
  w.byte(1);
  w.u32(0);  // body length, filled in below
  w.u32(header.serial);
  w.u32(0);  // header field array length, filled in below
  const std::size_t fieldsStart = w.offset();
  w.stringField(kPath, 'o', header.path);
  w.stringField(kInterface, 's', header.interface);
  w.stringField(kMember, 's', header.member);
  w.stringField(kErrorName, 's', header.errorName);
  if (header.replySerial) {
    w.pad(8);
    w.byte(kReplySerial);
    w.signature("u");
    w.u32(*header.replySerial);
  }
  w.stringField(kDestination, 's', header.destination);
  w.stringField(kSignature, 'g', signature);
  w.putU32At(12, static_cast<std::uint32_t>(w.offset() - fieldsStart));
  w.pad(8);
  const std::size_t bodyStart = w.offset();
  for (const Argument& a : body) {
    if (a.type == 's') {
      w.string(a.text);
    } else {
      w.u32(a.number);
    }
  }
  w.putU32At(4, static_cast<std::uint32_t>(w.offset() - bodyStart));
}

std::optional<Message> parseMessage(std::string_view bytes) {
  if (bytes.size() < 16 || (bytes[0] != 'l' && bytes[0] != 'B') || bytes[3] != 1) return std::nullopt;
  Reader in(bytes, bytes[0] == 'B');
  Message message;
  in.seek(1);
  const std::uint8_t type = *in.byte();
  if (type < 1 || type > 4) return std::nullopt;
  message.type = static_cast<MessageType>(type);
  message.flags = *in.byte();
  in.seek(4);
  const std::uint32_t bodyLength = *in.u32();
  message.serial = *in.u32();
  const std::uint32_t fieldsLength = *in.u32();
  const std::uint64_t fieldsEnd = 16 + std::uint64_t{fieldsLength};
  const std::uint64_t bodyStart = align(static_cast<std::size_t>(std::min<std::uint64_t>(fieldsEnd, bytes.size())), 8);
  if (fieldsEnd > bytes.size() || bodyStart + bodyLength != bytes.size()) return std::nullopt;
  if (!readFields(in, static_cast<std::size_t>(fieldsEnd), message)) return std::nullopt;
  in.seek(static_cast<std::size_t>(bodyStart));
  for (char t : message.signature) {
    if (t == 's' && message.strings.size() < 4) {
      auto value = in.string();
      if (!value) return std::nullopt;
      message.strings.push_back(std::move(*value));
      continue;
    }
    if ((t == 'b' || t == 'u') && message.strings.empty()) {
      message.number = in.u32();
      if (!message.number) return std::nullopt;
    }
    break;
  }
  return message;
}

void MessageReader::feed(std::string_view bytes) {
  if (skipping_ > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(skipping_, bytes.size()));
    skipping_ -= n;
    bytes.remove_prefix(n);
  }
  if (broken_.empty()) buffer_.append(bytes);
}

std::optional<Message> MessageReader::next() {
  for (;;) {
    const std::size_t available = buffer_.size() - start_;
    if (!broken_.empty() || available < 16) break;
    const char* p = buffer_.data() + start_;
    if ((p[0] != 'l' && p[0] != 'B') || p[3] != 1) {
      broken_ = "the bus sent something that is not a message";
      break;
    }
    Reader in(std::string_view(p, 16), p[0] == 'B');
    in.seek(4);
    const std::uint64_t bodyLength = *in.u32();
    in.seek(12);
    const std::uint64_t fieldsLength = *in.u32();
    const std::uint64_t total = align(static_cast<std::size_t>(16 + fieldsLength), 8) + bodyLength;
    if (total > kMaxMessage) {
      broken_ = "the bus sent a message longer than the protocol allows";
      break;
    }
    if (total > kMaxKept) {
      if (available >= total) {
        start_ += static_cast<std::size_t>(total);
        continue;
      }
      skipping_ = total - available;
      start_ = buffer_.size();
      break;
    }
    if (available < total) break;
    auto message = parseMessage(std::string_view(p, static_cast<std::size_t>(total)));
    start_ += static_cast<std::size_t>(total);
    if (message) return message;
  }
  if (start_ > 0 && (start_ == buffer_.size() || start_ >= 65536)) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  return std::nullopt;
}

}  // namespace tellwick::os::dbus
