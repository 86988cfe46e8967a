#include "battery/manufacturers.h"

#include <gtest/gtest.h>

#include "protocol/device_type.h"

namespace tellwick {
namespace {

TEST(ManufacturersTest, KnownVendorsHaveTheirNamesAndOthersTheShippedFallback) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {0x004C, "Apple Inc."}, {0x009E, "Bose Corporation"}, {0x012D, "Sony Corporation"},
      {0x4C00, "Unknown Manufacturer"},  // Apple's identifier with its bytes swapped
  };
  for (const auto& [vendor, name] : cases) {
    EXPECT_EQ(Manufacturers::name(vendor, os::installedBundle()), name) << vendor;
  }
}

}  // namespace
}  // namespace tellwick
