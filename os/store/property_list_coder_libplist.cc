#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "os/store/binary_plist.h"
#include "os/store/property_list_coder.h"
#include "os/utf8.h"

namespace tellwick::os {
namespace {

constexpr std::string_view kNullMarker = "$null";
// Deeper trees than this are refused rather than risk the stack; records
// nest three levels.
constexpr int kMaxDepth = bplist::kMaxDepth;

struct PlistFree {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, PlistFree>;

struct MallocFree {
  void operator()(void* memory) const { std::free(memory); }
};

// The node's integer is stored as 64 bits whatever its sign; when the top bit
// is set, only the written form says whether it is negative or unsigned.
bool isNegative(plist_t node) {
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(node, &xml, &length);
  if (!xml) return true;
  std::string_view text(xml, length);
  auto open = text.find("<integer>");
  bool negative = open != std::string_view::npos && text.size() > open + 9 && text[open + 9] == '-';
  plist_to_xml_free(xml);
  return negative;
}

class Decoder {
 public:
  std::optional<PlistValue> read(plist_t node, int depth) {
    if (depth > kMaxDepth) return fail("nesting too deep");
    switch (plist_get_node_type(node)) {
      case PLIST_BOOLEAN: {
        std::uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return PlistValue(v != 0);
      }
      case PLIST_UINT: {
        std::uint64_t v = 0;
        plist_get_uint_val(node, &v);
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) &&
            !isNegative(node)) {
          return PlistValue(v);
        }
        return PlistValue(static_cast<std::int64_t>(v));
      }
      case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return PlistValue(v);
      }
      case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        std::string_view view = text ? std::string_view(text, length) : std::string_view();
        if (view == kNullMarker) return PlistValue(PlistNull{});
        return PlistValue(replaceInvalidUtf8(view, kReplacementCharacter));
      }
      case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
        return PlistValue(bytes ? PlistData(begin, begin + length) : PlistData());
      }
      case PLIST_ARRAY: {
        PlistArray array;
        std::uint32_t size = plist_array_get_size(node);
        array.reserve(size);
        for (std::uint32_t i = 0; i < size; ++i) {
          auto element = read(plist_array_get_item(node, i), depth + 1);
          if (!element) return std::nullopt;
          array.push_back(std::move(*element));
        }
        return PlistValue(std::move(array));
      }
      case PLIST_DICT: {
        PlistDictionary dictionary;
        dictionary.reserve(plist_dict_get_size(node));
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        std::unique_ptr<void, MallocFree> iterOwner(iter);
        for (;;) {
          char* key = nullptr;
          plist_t child = nullptr;
          plist_dict_next_item(node, iter, &key, &child);
          std::unique_ptr<char, MallocFree> keyOwner(key);
          if (!child) break;
          auto element = read(child, depth + 1);
          if (!element) return std::nullopt;
          dictionary.emplace_back(key ? replaceInvalidUtf8(key, kReplacementCharacter) : std::string(),
                                  std::move(*element));
        }
        return PlistValue(std::move(dictionary));
      }
      case PLIST_DATE: return fail("dates are not supported");
      case PLIST_UID: return fail("UID values are not supported");
      default: return fail("unexpected node type");
    }
  }
  std::string error;

 private:
  std::optional<PlistValue> fail(std::string why) {
    if (error.empty()) error = std::move(why);
    return std::nullopt;
  }
};

// libplist's XML parser recurses once per nested element; so does Decoder.
// Elements are counted first, conservatively (every open tag nests), so that
// neither sees a file deeper than kMaxDepth.
bool xmlNestsWithin(std::string_view xml, int limit) {
  int depth = 0;
  for (std::size_t i = xml.find('<'); i != std::string_view::npos; i = xml.find('<', i)) {
    std::string_view rest = xml.substr(i);
    if (rest.starts_with("<!--")) {
      auto close = xml.find("-->", i);
      if (close == std::string_view::npos) return true;
      i = close + 3;
    } else if (rest.starts_with("<![CDATA[")) {
      auto close = xml.find("]]>", i);
      if (close == std::string_view::npos) return true;
      i = close + 3;
    } else if (rest.starts_with("</")) {
      --depth;
      ++i;
    } else {
      auto close = xml.find('>', i);
      if (close == std::string_view::npos) return true;
      if (rest[1] != '?' && rest[1] != '!' && xml[close - 1] != '/' && ++depth > limit) return false;
      i = close + 1;
    }
  }
  return true;
}

class LinuxPropertyListCoder final : public PropertyListCoder {
 public:
  Result<PlistData> encode(const PlistValue& value) override {
    bplist::Writer writer;
    auto top = bplist::addValue(writer, value);
    if (!top) return failure(top.error());
    return writer.finish(*top);
  }

  Result<PlistValue> decode(std::span<const std::uint8_t> bytes) override {
    if (bytes.empty()) return failure("no bytes to decode");
    if (auto reader = bplist::Reader::open(bytes)) return bplist::toValue(*reader, reader->top());
    const char* data = reinterpret_cast<const char*>(bytes.data());
    if (plist_is_binary(data, static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), 8)))) {
      return failure("malformed binary property list");
    }
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
      return failure("property list too large");
    }
    // The plist element and the document around it nest two levels of their own.
    if (!xmlNestsWithin(std::string_view(data, bytes.size()), kMaxDepth + 2)) {
      return failure("nesting too deep");
    }
    plist_t parsed = nullptr;
    plist_from_xml(data, static_cast<std::uint32_t>(bytes.size()), &parsed);
    Node root(parsed);
    if (!root) return failure("not a property list");
    Decoder decoder;
    auto value = decoder.read(root.get(), 0);
    if (!value) return failure(decoder.error);
    return std::move(*value);
  }
};

}  // namespace

std::unique_ptr<PropertyListCoder> newLinuxPropertyListCoder() {
  return std::make_unique<LinuxPropertyListCoder>();
}

}  // namespace tellwick::os
