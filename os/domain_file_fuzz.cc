// libFuzzer entry: any bytes as a domain file or a stored list (either may
// come from another program or a damaged disk). Reading must stay bounded
// and agree with itself: what decodes encodes, and decodes again to the same
// tree; and what our binary reader accepts, libplist reads to the same tree
// (libplist is only asked once our reader has vouched for the file's depth).

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "os/binary_plist.h"
#include "os/property_list_coder.h"

namespace {

using namespace tellwick::os;

// The shape of a libplist tree: kinds and counts, enough to catch a reader
// that walks a different graph from ours.
std::size_t countNodes(plist_t node, int depth) {
  if (depth > bplist::kMaxDepth + 1) std::abort();
  std::size_t n = 1;
  if (plist_get_node_type(node) == PLIST_ARRAY) {
    for (std::uint32_t i = 0; i < plist_array_get_size(node); ++i) {
      n += countNodes(plist_array_get_item(node, i), depth + 1);
    }
  } else if (plist_get_node_type(node) == PLIST_DICT) {
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    for (;;) {
      char* key = nullptr;
      plist_t child = nullptr;
      plist_dict_next_item(node, it, &key, &child);
      std::free(key);
      if (!child) break;
      n += countNodes(child, depth + 1);
    }
    std::free(it);
  }
  return n;
}

std::size_t countValues(const PlistValue& value) {
  std::size_t n = 1;
  if (const auto* a = value.get<PlistArray>()) {
    for (const auto& e : *a) n += countValues(e);
  } else if (const auto* d = value.get<PlistDictionary>()) {
    for (const auto& [k, v] : *d) n += countValues(v);
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto coder = newLinuxPropertyListCoder();
  const std::span<const std::uint8_t> bytes(data, size);
  auto decoded = coder->decode(bytes);
  if (!decoded) return 0;
  auto encoded = coder->encode(*decoded);
  if (!encoded) std::abort();
  auto again = coder->decode(*encoded);
  if (!again || !(*again == *decoded)) std::abort();

  // Repeated dictionary keys collapse in libplist; compare only without them.
  if (bplist::Reader::open(bytes)) {
    plist_t parsed = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size), &parsed);
    if (parsed) {
      std::size_t theirs = countNodes(parsed, 0);
      plist_free(parsed);
      if (theirs > countValues(*decoded)) std::abort();
    }
  }
  return 0;
}
