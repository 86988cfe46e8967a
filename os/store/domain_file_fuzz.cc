// libFuzzer entry: any bytes as a domain file or a stored list (either may
// come from another program or a damaged disk). Reading must stay bounded
// and agree with itself: what decodes encodes, and decodes again to a tree
// that encodes to the same bytes; and libplist reads what we wrote.

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "os/store/binary_plist.h"
#include "os/store/property_list_coder.h"

using namespace tellwick::os;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto coder = newLinuxPropertyListCoder();
  const std::span<const std::uint8_t> bytes(data, size);
  auto decoded = coder->decode(bytes);
  if (!decoded) return 0;
  auto encoded = coder->encode(*decoded);
  if (!encoded) std::abort();
  auto again = coder->decode(*encoded);
  // Compared as bytes, since a NaN is never equal to itself.
  if (!again) std::abort();
  auto twice = coder->encode(*again);
  if (!twice || *twice != *encoded) std::abort();

  // Whatever we write, libplist reads too. (Its trees are not compared: it
  // keeps strings as C strings, so a key holding U+0000 differs there.)
  plist_t parsed = nullptr;
  plist_from_bin(reinterpret_cast<const char*>(encoded->data()),
                 static_cast<std::uint32_t>(encoded->size()), &parsed);
  if (!parsed) std::abort();
  plist_free(parsed);
  return 0;
}
