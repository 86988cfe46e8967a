#include "os/store/binary_plist.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "os/utf8.h"

namespace tellwick::os::bplist {
namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;
constexpr std::string_view kNullMarker = "$null";
constexpr std::uint32_t kReplacement = 0xFFFD;

std::uint64_t readBigEndian(const std::uint8_t* p, unsigned size) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < size; ++i) value = (value << 8) | p[i];
  return value;
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, unsigned size) {
  for (unsigned i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

unsigned bytesFor(std::uint64_t value) {
  if (value <= 0xFF) return 1;
  if (value <= 0xFFFF) return 2;
  if (value <= 0xFFFFFFFF) return 4;
  return 8;
}

// One code point from text at i, advancing i; nullopt (i past the bad byte)
// for a sequence that is not UTF-8.
std::optional<std::uint32_t> nextCodePoint(std::string_view text, std::size_t& i) {
  auto c = static_cast<unsigned char>(text[i++]);
  if (c < 0x80) return c;
  std::size_t extra;
  std::uint32_t min;
  std::uint32_t code;
  if ((c & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, code = c & 0x07;
  } else {
    return std::nullopt;
  }
  for (std::size_t k = 0; k < extra; ++k) {
    if (i >= text.size()) return std::nullopt;
    auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (next & 0x3F);
    ++i;
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  return code;
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The text of a string object; with lenient, each sequence that is not text
// becomes U+FFFD instead of failing the whole string.
std::optional<std::string> textOf(const Object& object, bool lenient) {
  if (object.kind == kAsciiString) {
    std::string_view text(reinterpret_cast<const char*>(object.payload.data()), object.payload.size());
    if (isAscii(text)) return std::string(text);
    if (!lenient) return std::nullopt;
    return replaceInvalidUtf8(text, kReplacementCharacter);
  }
  if (object.kind != kUtf16String) return std::nullopt;
  std::string out;
  out.reserve(object.payload.size());
  const auto* p = object.payload.data();
  const std::size_t units = object.payload.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t unit = readBigEndian(p + 2 * i, 2);
    const std::uint32_t low = i + 1 < units ? readBigEndian(p + 2 * (i + 1), 2) : 0;
    if (unit >= 0xD800 && unit <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      if (!lenient) return std::nullopt;
      unit = kReplacement;
    }
    appendUtf8(out, unit);
  }
  return out;
}

}  // namespace

std::optional<std::string> stringOf(const Object& object) { return textOf(object, false); }

// ---------------------------------------------------------------- Reader

Result<Reader> Reader::open(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kMagic.size() + kTrailerSize + 2 ||
      std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0) {
    return failure("not a binary property list");
  }
  const std::uint8_t* trailer = bytes.data() + bytes.size() - kTrailerSize;
  Reader reader;
  reader.bytes_ = bytes;
  reader.offsetSize_ = trailer[6];
  reader.refSize_ = trailer[7];
  reader.count_ = readBigEndian(trailer + 8, 8);
  reader.top_ = readBigEndian(trailer + 16, 8);
  reader.tableOffset_ = readBigEndian(trailer + 24, 8);
  auto validSize = [](unsigned size) { return size == 1 || size == 2 || size == 4 || size == 8; };
  const std::uint64_t tableSpace = bytes.size() - kTrailerSize;
  if (!validSize(reader.offsetSize_) || !validSize(reader.refSize_) || reader.count_ == 0 ||
      reader.top_ >= reader.count_ || reader.tableOffset_ <= kMagic.size() ||
      reader.tableOffset_ > tableSpace ||
      reader.count_ > (tableSpace - reader.tableOffset_) / reader.offsetSize_) {
    return failure("malformed binary property list trailer");
  }
  return reader;
}

Result<Object> Reader::object(std::uint64_t index) const {
  if (index >= count_) return failure("object reference out of range");
  const std::uint64_t end = tableOffset_;
  std::uint64_t at = readBigEndian(bytes_.data() + tableOffset_ + index * offsetSize_, offsetSize_);
  if (at < kMagic.size() || at >= end) return failure("object offset out of range");
  const std::uint8_t marker = bytes_[at++];
  Object object;
  object.kind = static_cast<Kind>(marker >> 4);
  object.info = marker & 0x0F;
  auto take = [&](std::uint64_t size) -> bool {
    if (size > end - at) return false;
    object.payload = bytes_.subspan(at, size);
    at += size;
    return true;
  };
  auto length = [&]() -> std::optional<std::uint64_t> {
    if (object.info != 0x0F) return object.info;
    if (at >= end) return std::nullopt;
    const std::uint8_t sizeMarker = bytes_[at++];
    if ((sizeMarker >> 4) != kInteger || (sizeMarker & 0x0F) > 3) return std::nullopt;
    const unsigned size = 1u << (sizeMarker & 0x0F);
    if (size > end - at) return std::nullopt;
    std::uint64_t value = readBigEndian(bytes_.data() + at, size);
    at += size;
    return value;
  };
  bool ok = false;
  switch (object.kind) {
    case kSingleton:
      ok = object.info == 0x0 || object.info == 0x8 || object.info == 0x9;
      break;
    case kInteger: ok = object.info <= 4 && take(1u << object.info); break;
    case kReal: ok = (object.info == 2 || object.info == 3) && take(1u << object.info); break;
    case kDate: ok = object.info == 3 && take(8); break;
    case kUid: ok = take(object.info + 1u); break;
    case kData:
    case kAsciiString:
    case kUtf16String: {
      auto n = length();
      const std::uint64_t unit = object.kind == kUtf16String ? 2 : 1;
      ok = n && *n <= (end - at) / unit && take(*n * unit);
      break;
    }
    case kArray:
    case kSet:
    case kDictionary: {
      auto n = length();
      const std::uint64_t perEntry = (object.kind == kDictionary ? 2u : 1u) * refSize_;
      if (!n || *n > (end - at) / perEntry) break;
      const std::uint64_t refs = *n * (object.kind == kDictionary ? 2 : 1);
      object.refs.reserve(refs);
      ok = true;
      for (std::uint64_t i = 0; i < refs && ok; ++i, at += refSize_) {
        std::uint64_t ref = readBigEndian(bytes_.data() + at, refSize_);
        ok = ref < count_;
        object.refs.push_back(ref);
      }
      break;
    }
    default: break;
  }
  if (!ok) return failure("malformed object in binary property list");
  return object;
}

// ---------------------------------------------------------------- Writer

std::uint64_t Writer::begin(std::uint8_t kind, std::uint64_t length, bool sized) {
  objects_.push_back({body_.size(), refs_.size(), 0});
  if (!sized) {
    body_.push_back(static_cast<std::uint8_t>(kind << 4 | length));
  } else if (length < 0x0F) {
    body_.push_back(static_cast<std::uint8_t>(kind << 4 | length));
  } else {
    body_.push_back(static_cast<std::uint8_t>(kind << 4 | 0x0F));
    const unsigned size = bytesFor(length);
    body_.push_back(static_cast<std::uint8_t>(kInteger << 4 | std::countr_zero(size)));
    appendBigEndian(body_, length, size);
  }
  return objects_.size() - 1;
}

std::uint64_t Writer::addSingleton(std::uint8_t info) { return begin(kSingleton, info, false); }

std::uint64_t Writer::addInteger(std::int64_t value) {
  if (value >= 0) return addUnsigned(static_cast<std::uint64_t>(value));
  auto index = begin(kInteger, 3, false);
  appendBigEndian(body_, static_cast<std::uint64_t>(value), 8);
  return index;
}

std::uint64_t Writer::addUnsigned(std::uint64_t value) {
  if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    // Eight bytes read back as negative; the sixteen-byte form keeps the sign.
    auto index = begin(kInteger, 4, false);
    appendBigEndian(body_, 0, 8);
    appendBigEndian(body_, value, 8);
    return index;
  }
  const unsigned size = bytesFor(value);
  auto index = begin(kInteger, static_cast<std::uint64_t>(std::countr_zero(size)), false);
  appendBigEndian(body_, value, size);
  return index;
}

std::uint64_t Writer::addReal(double value) {
  auto index = begin(kReal, 3, false);
  appendBigEndian(body_, std::bit_cast<std::uint64_t>(value), 8);
  return index;
}

std::uint64_t Writer::addString(std::string_view text) {
  if (auto found = strings_.find(std::string(text)); found != strings_.end()) return found->second;
  std::uint64_t index;
  if (isAscii(text)) {
    index = begin(kAsciiString, text.size(), true);
    body_.insert(body_.end(), text.begin(), text.end());
  } else {
    std::vector<std::uint16_t> units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
      std::uint32_t code = nextCodePoint(text, i).value_or(kReplacement);
      if (code >= 0x10000) {
        code -= 0x10000;
        units.push_back(static_cast<std::uint16_t>(0xD800 + (code >> 10)));
        units.push_back(static_cast<std::uint16_t>(0xDC00 + (code & 0x3FF)));
      } else {
        units.push_back(static_cast<std::uint16_t>(code));
      }
    }
    index = begin(kUtf16String, units.size(), true);
    for (auto unit : units) appendBigEndian(body_, unit, 2);
  }
  strings_.emplace(std::string(text), index);
  return index;
}

std::uint64_t Writer::addData(std::span<const std::uint8_t> bytes) {
  auto index = begin(kData, bytes.size(), true);
  body_.insert(body_.end(), bytes.begin(), bytes.end());
  return index;
}

std::uint64_t Writer::addObject(Kind kind, std::uint8_t info, std::span<const std::uint8_t> payload,
                                std::span<const std::uint64_t> refs) {
  switch (kind) {
    case kSingleton: return addSingleton(info);
    case kInteger:
    case kReal:
    case kDate:
    case kUid: {
      // Fixed-size kinds: the marker's low nibble encodes the payload size.
      auto nibble = kind == kUid ? payload.size() - 1 : std::countr_zero(payload.size());
      auto index = begin(kind, nibble, false);
      body_.insert(body_.end(), payload.begin(), payload.end());
      return index;
    }
    case kData:
    case kAsciiString:
    case kUtf16String: {
      auto index = begin(kind, kind == kUtf16String ? payload.size() / 2 : payload.size(), true);
      body_.insert(body_.end(), payload.begin(), payload.end());
      return index;
    }
    default: return addContainer(kind, refs);
  }
}

std::uint64_t Writer::addContainer(Kind kind, std::span<const std::uint64_t> refs) {
  auto index = begin(kind, kind == kDictionary ? refs.size() / 2 : refs.size(), true);
  objects_.back().refCount = refs.size();
  refs_.insert(refs_.end(), refs.begin(), refs.end());
  return index;
}

std::uint64_t Writer::size() const {
  const std::uint64_t tableOffset = kMagic.size() + body_.size() + refs_.size() * bytesFor(objects_.size());
  return tableOffset + objects_.size() * bytesFor(tableOffset) + kTrailerSize;
}

PlistData Writer::finish(std::uint64_t top) const {
  const unsigned refSize = bytesFor(objects_.size());
  PlistData out(kMagic.begin(), kMagic.end());
  out.reserve(size());
  std::vector<std::uint64_t> offsets;
  offsets.reserve(objects_.size());
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    const Entry& entry = objects_[i];
    const std::uint64_t bodyEnd = i + 1 < objects_.size() ? objects_[i + 1].bodyStart : body_.size();
    offsets.push_back(out.size());
    const std::size_t at = out.size();
    out.resize(at + (bodyEnd - entry.bodyStart));
    std::memcpy(out.data() + at, body_.data() + entry.bodyStart, bodyEnd - entry.bodyStart);
    for (std::uint64_t r = 0; r < entry.refCount; ++r) {
      appendBigEndian(out, refs_[entry.refStart + r], refSize);
    }
  }
  const std::uint64_t tableOffset = out.size();
  const unsigned offsetSize = bytesFor(tableOffset);
  for (auto offset : offsets) appendBigEndian(out, offset, offsetSize);
  out.insert(out.end(), 6, 0);
  out.push_back(static_cast<std::uint8_t>(offsetSize));
  out.push_back(static_cast<std::uint8_t>(refSize));
  appendBigEndian(out, objects_.size(), 8);
  appendBigEndian(out, top, 8);
  appendBigEndian(out, tableOffset, 8);
  return out;
}

// ---------------------------------------------------------------- Trees

namespace {

class TreeReader {
 public:
  TreeReader(const Reader& reader, std::uint64_t budget) : reader_(reader), budget_(budget) {}

  Result<PlistValue> read(std::uint64_t index, int depth) {
    if (depth > kMaxDepth) return failure("nesting too deep");
    if (budget_ == 0) return failure("shared objects expand beyond the file's size");
    --budget_;
    auto object = reader_.object(index);
    if (!object) return failure(object.error());
    const auto& payload = object->payload;
    switch (object->kind) {
      case kSingleton:
        if (object->info == 0x0) return PlistValue(PlistNull{});
        return PlistValue(object->info == 0x9);
      case kInteger: {
        if (payload.size() < 8) return PlistValue(static_cast<std::int64_t>(readBigEndian(payload.data(), static_cast<unsigned>(payload.size()))));
        if (payload.size() == 8) return PlistValue(static_cast<std::int64_t>(readBigEndian(payload.data(), 8)));
        const std::uint64_t high = readBigEndian(payload.data(), 8);
        const std::uint64_t low = readBigEndian(payload.data() + 8, 8);
        const bool fitsSigned = low <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        if (high == 0) return fitsSigned ? PlistValue(static_cast<std::int64_t>(low)) : PlistValue(low);
        if (high == ~std::uint64_t{0} && !fitsSigned) return PlistValue(static_cast<std::int64_t>(low));
        return failure("integer out of range");
      }
      case kReal:
        if (payload.size() == 4) {
          return PlistValue(static_cast<double>(
              std::bit_cast<float>(static_cast<std::uint32_t>(readBigEndian(payload.data(), 4)))));
        }
        return PlistValue(std::bit_cast<double>(readBigEndian(payload.data(), 8)));
      case kData: return PlistValue(PlistData(payload.begin(), payload.end()));
      case kAsciiString:
      case kUtf16String: {
        auto text = textOf(*object, true);
        if (!text) return failure("string is not valid text");
        if (*text == kNullMarker) return PlistValue(PlistNull{});
        return PlistValue(std::move(*text));
      }
      case kArray: {
        PlistArray array;
        array.reserve(object->refs.size());
        for (auto ref : object->refs) {
          auto element = read(ref, depth + 1);
          if (!element) return element;
          array.push_back(std::move(*element));
        }
        return PlistValue(std::move(array));
      }
      case kDictionary: {
        PlistDictionary dictionary;
        const std::size_t n = object->refs.size() / 2;
        dictionary.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
          auto key = reader_.object(object->refs[i]);
          if (!key) return failure(key.error());
          auto text = textOf(*key, true);
          if (!text) return failure("dictionary key is not text");
          if (budget_ == 0) return failure("shared objects expand beyond the file's size");
          --budget_;
          auto element = read(object->refs[n + i], depth + 1);
          if (!element) return element;
          dictionary.emplace_back(std::move(*text), std::move(*element));
        }
        return PlistValue(std::move(dictionary));
      }
      case kDate: return failure("dates are not supported");
      case kUid: return failure("UID values are not supported");
      case kSet: return failure("sets are not supported");
    }
    return failure("unexpected object");
  }

 private:
  const Reader& reader_;
  std::uint64_t budget_;
};

class TreeWriter {
 public:
  explicit TreeWriter(Writer& writer) : writer_(writer) {}

  std::optional<std::uint64_t> add(const PlistValue& value, int depth) {
    if (depth > kMaxDepth) return std::nullopt;
    return std::visit([&](const auto& v) { return addFrom(v, depth); }, value.storage);
  }

 private:
  std::optional<std::uint64_t> addFrom(const PlistNull&, int) { return writer_.addString(kNullMarker); }
  std::optional<std::uint64_t> addFrom(bool v, int) { return writer_.addSingleton(v ? 0x9 : 0x8); }
  std::optional<std::uint64_t> addFrom(std::int64_t v, int) { return writer_.addInteger(v); }
  std::optional<std::uint64_t> addFrom(std::uint64_t v, int) { return writer_.addUnsigned(v); }
  std::optional<std::uint64_t> addFrom(double v, int) { return writer_.addReal(v); }
  std::optional<std::uint64_t> addFrom(const std::string& v, int) { return writer_.addString(v); }
  std::optional<std::uint64_t> addFrom(const PlistData& v, int) { return writer_.addData(v); }
  std::optional<std::uint64_t> addFrom(const PlistArray& v, int depth) {
    std::vector<std::uint64_t> refs;
    refs.reserve(v.size());
    for (const auto& element : v) {
      auto ref = add(element, depth + 1);
      if (!ref) return std::nullopt;
      refs.push_back(*ref);
    }
    return writer_.addContainer(kArray, refs);
  }
  std::optional<std::uint64_t> addFrom(const PlistDictionary& v, int depth) {
    std::vector<std::uint64_t> refs(2 * v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
      refs[i] = writer_.addString(v[i].first);
      auto ref = add(v[i].second, depth + 1);
      if (!ref) return std::nullopt;
      refs[v.size() + i] = *ref;
    }
    return writer_.addContainer(kDictionary, refs);
  }

  Writer& writer_;
};

}  // namespace

Result<PlistValue> toValue(const Reader& reader, std::uint64_t index) {
  // Each reference costs at least a byte of the file; sharing may multiply
  // that a little, never into a tree vastly larger than the file.
  TreeReader tree(reader, 4 * reader.count() + 1024);
  return tree.read(index, 0);
}

Result<std::uint64_t> addValue(Writer& writer, const PlistValue& value) {
  auto index = TreeWriter(writer).add(value, 0);
  if (!index) return failure("nesting too deep");
  return *index;
}

Result<std::vector<std::uint64_t>> Copier::copy(std::span<const std::uint64_t> roots) {
  // First find everything new the roots reach, then add it in file order
  // with references mapped ahead: no recursion, and sharing and cycles copy
  // as they are.
  constexpr std::uint64_t kUnreached = std::numeric_limits<std::uint64_t>::max();
  std::vector<std::uint64_t> order;
  std::vector<std::uint64_t> pending;
  auto reach = [&](std::uint64_t index) {
    if (copied_.emplace(index, kUnreached).second) {
      order.push_back(index);
      pending.push_back(index);
    }
  };
  for (auto root : roots) reach(root);
  while (!pending.empty()) {
    auto object = reader_.object(pending.back());
    pending.pop_back();
    if (!object) {
      for (auto index : order) copied_.erase(index);
      return failure(object.error());
    }
    for (auto ref : object->refs) reach(ref);
  }
  std::sort(order.begin(), order.end());
  const std::uint64_t base = writer_.count();
  for (std::size_t i = 0; i < order.size(); ++i) copied_[order[i]] = base + i;
  std::vector<std::uint64_t> refs;
  for (auto index : order) {
    auto object = reader_.object(index);
    // Read whole a moment ago; the bytes under the reader do not change.
    if (!object) return failure(object.error());
    // Marker, length and a table entry take at most 18 bytes, a reference 8.
    if (writer_.size() + object->payload.size() + 8 * object->refs.size() + 18 > maxBytes_) {
      overLimit_ = true;
      return failure("larger than " + std::to_string(maxBytes_) + " bytes");
    }
    refs.clear();
    for (auto ref : object->refs) refs.push_back(copied_[ref]);
    writer_.addObject(object->kind, object->info, object->payload, refs);
  }
  std::vector<std::uint64_t> indices;
  indices.reserve(roots.size());
  for (auto root : roots) indices.push_back(copied_[root]);
  return indices;
}

}  // namespace tellwick::os::bplist
