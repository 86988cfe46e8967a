#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "os/property_list_coder.h"

namespace tellwick::os {
namespace {

constexpr std::string_view kNullMarker = "$null";
// Deeper trees than this are refused rather than risk the stack; records
// nest three levels.
constexpr int kMaxDepth = 256;

struct PlistFree {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, PlistFree>;

struct MallocFree {
  void operator()(void* memory) const { std::free(memory); }
};

bool isUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra;
    std::uint32_t min;
    std::uint32_t code;
    if (c == 0) return false;  // libplist strings are C strings
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, code = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// libplist 2.2 writes every integer it is given as a signed number of at most
// eight bytes, so 2^63 and above would read back as negative elsewhere. Its
// parser, however, marks integers that arrive in that range as unsigned and
// its writer then emits the sixteen-byte form other readers understand; so
// such a node is obtained by parsing it.
Node newUnsignedAboveInt64(std::uint64_t value) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><integer>" +
                    std::to_string(value) + "</integer></plist>";
  plist_t node = nullptr;
  plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
  return Node(node);
}

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

class Encoder {
 public:
  Node build(const PlistValue& value, int depth) {
    if (depth > kMaxDepth) return fail("nesting too deep");
    return std::visit([&](const auto& v) { return buildFrom(v, depth); }, value.storage);
  }
  std::string error;

 private:
  Node fail(std::string why) {
    if (error.empty()) error = std::move(why);
    return nullptr;
  }
  Node buildFrom(const PlistNull&, int) { return Node(plist_new_string(kNullMarker.data())); }
  Node buildFrom(bool v, int) { return Node(plist_new_bool(v ? 1 : 0)); }
  Node buildFrom(std::int64_t v, int) { return Node(plist_new_uint(static_cast<std::uint64_t>(v))); }
  Node buildFrom(std::uint64_t v, int) {
    if (v <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return Node(plist_new_uint(v));
    }
    Node node = newUnsignedAboveInt64(v);
    if (!node) return fail("cannot represent unsigned integer " + std::to_string(v));
    return node;
  }
  Node buildFrom(double v, int) { return Node(plist_new_real(v)); }
  Node buildFrom(const std::string& v, int) {
    if (!isUtf8(v)) return fail("string is not UTF-8 text");
    return Node(plist_new_string(v.c_str()));
  }
  Node buildFrom(const PlistData& v, int) {
    return Node(plist_new_data(reinterpret_cast<const char*>(v.data()), v.size()));
  }
  Node buildFrom(const PlistArray& v, int depth) {
    Node array(plist_new_array());
    for (const auto& element : v) {
      Node child = build(element, depth + 1);
      if (!child) return nullptr;
      plist_array_append_item(array.get(), child.release());
    }
    return array;
  }
  Node buildFrom(const PlistDictionary& v, int depth) {
    Node dictionary(plist_new_dict());
    for (const auto& [key, element] : v) {
      if (!isUtf8(key)) return fail("dictionary key is not UTF-8 text");
      if (plist_dict_get_item(dictionary.get(), key.c_str())) {
        return fail("dictionary key \"" + key + "\" appears twice");
      }
      Node child = build(element, depth + 1);
      if (!child) return nullptr;
      plist_dict_set_item(dictionary.get(), key.c_str(), child.release());
    }
    return dictionary;
  }
};

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
        return PlistValue(std::string(view));
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
          dictionary.emplace_back(key ? std::string(key) : std::string(), std::move(*element));
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

class LibplistPropertyListCoder final : public PropertyListCoder {
 public:
  Result<PlistData> encode(const PlistValue& value) override {
    Encoder encoder;
    Node root = encoder.build(value, 0);
    if (!root) return failure(encoder.error);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes || length == 0) return failure("libplist produced no output");
    const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
    PlistData out(begin, begin + length);
    plist_to_bin_free(bytes);
    return out;
  }

  Result<PlistValue> decode(std::span<const std::uint8_t> bytes) override {
    if (bytes.empty()) return failure("no bytes to decode");
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
      return failure("property list too large");
    }
    const char* data = reinterpret_cast<const char*>(bytes.data());
    auto length = static_cast<std::uint32_t>(bytes.size());
    plist_t parsed = nullptr;
    plist_from_memory(data, length, &parsed);
    Node root(parsed);
    if (!root) {
      return failure(plist_is_binary(data, length) ? "malformed binary property list"
                                                   : "not a property list");
    }
    Decoder decoder;
    auto value = decoder.read(root.get(), 0);
    if (!value) return failure(decoder.error);
    return std::move(*value);
  }
};

}  // namespace

std::unique_ptr<PropertyListCoder> newLinuxPropertyListCoder() {
  return std::make_unique<LibplistPropertyListCoder>();
}

}  // namespace tellwick::os
