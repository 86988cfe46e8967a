#ifndef TELLWICK_OS_STORE_BINARY_PLIST_H_
#define TELLWICK_OS_STORE_BINARY_PLIST_H_

// The binary property-list format ("bplist00") read and written object by
// object, without recursion over the file's nesting: a file may come from
// anywhere, and its shape must not decide how much stack or time reading it
// takes. Used by the coder and by the domain files under os/; no interface
// header includes it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "os/result.h"
#include "os/store/property_list.h"

namespace tellwick::os::bplist {

// Object kinds: the high nibble of an object's marker byte.
enum Kind : std::uint8_t {
  kSingleton = 0x0,  // null, false, true, fill; see Object::info
  kInteger = 0x1,
  kReal = 0x2,
  kDate = 0x3,
  kData = 0x4,
  kAsciiString = 0x5,
  kUtf16String = 0x6,
  kUid = 0x8,
  kArray = 0xA,
  kSet = 0xC,
  kDictionary = 0xD,
};

// One object as stored: its kind, its payload (the big-endian bytes of a
// number or date, the bytes of data or of a string, UTF-16BE for kUtf16String)
// and, for containers, the indices of the objects it holds (a dictionary's
// keys first, then its values).
struct Object {
  Kind kind = kSingleton;
  std::uint8_t info = 0;  // a singleton's low nibble
  std::span<const std::uint8_t> payload;
  std::vector<std::uint64_t> refs;
};

// A parsed file: the trailer checked, objects read one at a time on demand.
// bytes must outlive the reader.
class Reader {
 public:
  // Fails when bytes are not a binary property list or its trailer or
  // offset table is inconsistent.
  static Result<Reader> open(std::span<const std::uint8_t> bytes);

  std::uint64_t top() const { return top_; }
  std::uint64_t count() const { return count_; }

  // Object index; fails when it is malformed or runs outside the file.
  Result<Object> object(std::uint64_t index) const;

 private:
  Reader() = default;
  std::span<const std::uint8_t> bytes_;
  unsigned offsetSize_ = 0;
  unsigned refSize_ = 0;
  std::uint64_t count_ = 0;
  std::uint64_t top_ = 0;
  std::uint64_t tableOffset_ = 0;
};

// Builds a file object by object: children before the containers that hold
// them, each add returning the new object's index. Time and memory are linear
// in what is added.
class Writer {
 public:
  std::uint64_t addSingleton(std::uint8_t info);
  std::uint64_t addInteger(std::int64_t value);
  std::uint64_t addUnsigned(std::uint64_t value);
  std::uint64_t addReal(double value);
  // Text as UTF-8; an invalid sequence is written as U+FFFD. Equal strings
  // share one object.
  std::uint64_t addString(std::string_view text);
  std::uint64_t addData(std::span<const std::uint8_t> bytes);
  // A stored object copied as it is; refs already mapped to this writer.
  std::uint64_t addObject(Kind kind, std::uint8_t info, std::span<const std::uint8_t> payload,
                          std::span<const std::uint64_t> refs);
  std::uint64_t addContainer(Kind kind, std::span<const std::uint64_t> refs);

  std::uint64_t count() const { return objects_.size(); }
  // How many bytes finish would return now; constant time.
  std::uint64_t size() const;
  // The whole file with top as its root object.
  PlistData finish(std::uint64_t top) const;

 private:
  struct Entry {
    std::uint64_t bodyStart;
    std::uint64_t refStart;
    std::uint64_t refCount;
  };
  std::uint64_t begin(std::uint8_t marker, std::uint64_t length, bool extended);
  std::vector<Entry> objects_;
  std::vector<std::uint8_t> body_;
  std::vector<std::uint64_t> refs_;
  std::unordered_map<std::string, std::uint64_t> strings_;
};

// Deepest nesting PlistValue trees are built to; deeper files are refused.
inline constexpr int kMaxDepth = 256;

// The tree under index. Fails on nesting deeper than kMaxDepth, on a cycle, on
// a date or UID, and when shared containers would make the tree much larger
// than the file. A string that is not valid text (an ASCII string with bytes
// above 0x7F, a lone UTF-16 surrogate) reads with U+FFFD in place of each bad
// sequence. The string "$null" reads as PlistNull. Repeated dictionary keys
// are kept in file order.
Result<PlistValue> toValue(const Reader& reader, std::uint64_t index);

// Adds value and everything under it to writer; its index. PlistNull is
// written as "$null". Fails only when value nests deeper than kMaxDepth.
Result<std::uint64_t> addValue(Writer& writer, const PlistValue& value);

// Copies objects from reader to writer unchanged, each at most once however
// many copies reach it: shared objects stay shared, within one copy and
// across copies, and cycles stay as they are. Iterative, whatever the depth.
// reader and writer must outlive the copier.
class Copier {
 public:
  // The writer may not grow past maxBytes (as Writer::size counts them).
  Copier(const Reader& reader, Writer& writer, std::uint64_t maxBytes)
      : reader_(reader), writer_(writer), maxBytes_(maxBytes) {}

  // The indices in writer of roots, in their order, after copying whatever
  // they reach that no earlier copy did. Fails, having added nothing, when a
  // reached object is malformed; fails, and sets overLimit, when the writer
  // would grow past maxBytes, checked before each object is added (the
  // writer then holds part of the copy and is of no further use).
  Result<std::vector<std::uint64_t>> copy(std::span<const std::uint64_t> roots);
  bool overLimit() const { return overLimit_; }

 private:
  const Reader& reader_;
  Writer& writer_;
  std::uint64_t maxBytes_;
  bool overLimit_ = false;
  std::unordered_map<std::uint64_t, std::uint64_t> copied_;
};

// The text of a string object, exactly; nullopt for anything else or for
// text that is not valid.
std::optional<std::string> stringOf(const Object& object);

}  // namespace tellwick::os::bplist

#endif  // TELLWICK_OS_STORE_BINARY_PLIST_H_
