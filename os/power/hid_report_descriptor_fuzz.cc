// libFuzzer entry: any bytes as a HID report descriptor (the kernel hands us
// a device's own, which may be hostile). The parser must stay inside the
// input and agree with itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/power/hid_report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  std::size_t consumed = 0;
  tellwick::os::forEachHidItem(bytes, [&](const tellwick::os::HidItem& item) {
    if (item.size != 0 && item.size != 1 && item.size != 2 && item.size != 4) std::abort();
    if (item.size < 4 && item.data >> (8 * item.size) != 0) std::abort();
    consumed += 1 + item.size;
    return true;
  });
  if (consumed > size) std::abort();
  tellwick::os::hidPrimaryGenericDesktopUsage(bytes);
  return 0;
}
