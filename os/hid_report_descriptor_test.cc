#include "os/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tellwick::os {
namespace {

TEST(PrimaryUsage, IsTheFirstGenericDesktopUsage) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> descriptor;
    std::optional<std::uint16_t> usage;
  } cases[] = {
      {"Mouse", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}, 2},
      {"KeyboardAfterVendorCollection",
       {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0, 0x05, 0x01, 0x09, 0x06},
       6},
      {"ExtendedUsageNamesItsPage", {0x05, 0x0C, 0x0B, 0x05, 0x00, 0x01, 0x00}, 5},
      {"PopRestoresThePage", {0x05, 0x01, 0xA4, 0x05, 0x0C, 0x09, 0x01, 0xB4, 0x09, 0x80}, 0x80},
      {"LongItemIsSkipped", {0xFE, 0x02, 0x10, 0x09, 0x09, 0x05, 0x01, 0x09, 0x04}, 4},
      {"ConsumerOnly", {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0}, std::nullopt},
      {"TruncatedUsage", {0x05, 0x01, 0x0A, 0x02}, std::nullopt},
      {"TruncatedLongItem", {0xFE, 0x10, 0x00, 0x01}, std::nullopt},
      {"PopWithoutPush", {0x05, 0x01, 0xB4, 0x09, 0x02}, std::nullopt},
      {"PushTooDeep", {0x05, 0x01, 0xA4, 0xA4, 0xA4, 0xA4, 0xA4, 0x09, 0x02}, std::nullopt},
      {"Empty", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hidPrimaryGenericDesktopUsage(c.descriptor), c.usage) << c.name;
  }
}

TEST(HidItems, ItemsArriveInOrderWithLittleEndianDataAndATruncatedTailIsReported) {
  const std::vector<std::uint8_t> bytes = {0x05, 0x01, 0x26, 0xFF, 0x07, 0xC0, 0x27, 0x01};
  std::vector<HidItem> items;
  const bool whole = forEachHidItem(bytes, [&](const HidItem& item) {
    items.push_back(item);
    return true;
  });
  EXPECT_FALSE(whole);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].data, 0x07FFu);
  EXPECT_EQ(items[1].type, 1);
  EXPECT_EQ(items[1].tag, 2);
  EXPECT_EQ(items[2].size, 0);
  EXPECT_EQ(items[2].tag, 0xC);
}

}  // namespace
}  // namespace tellwick::os
