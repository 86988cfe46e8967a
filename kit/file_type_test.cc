#include "kit/file_type.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "os/resource_bundle.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

const std::vector<std::pair<FileType, const char*>> kAllTypes = {
    {FileType::other, "OTHER"}, {FileType::video, "VIDEO"}, {FileType::photo, "PHOTO"},
    {FileType::archive, "ARCHIVE"}, {FileType::audio, "AUDIO"}, {FileType::document, "DOCUMENT"},
};

TEST(FileTypeTest, EachTypeShowsTheTextOfItsOwnKey) {
  testing::FakeResourceBundle bundle;
  for (const auto& [type, key] : kAllTypes) bundle.setString("kit", key, std::string("text of ") + key);
  for (const auto& [type, key] : kAllTypes) {
    EXPECT_EQ(localizationKey(type), key);
    EXPECT_EQ(displayName(type, bundle), std::string("text of ") + key);
  }
}

TEST(FileTypeTest, MissingTextFallsBackToTheKey) {
  testing::FakeResourceBundle bundle;
  bundle.setString("battery", "ARCHIVE", "not the kit's table");
  EXPECT_EQ(displayName(FileType::archive, bundle), "ARCHIVE");
}

// The table that ships with the build: every key present and translated.
TEST(FileTypeTest, ShippedTableHasEveryText) {
  auto opened = os::newLinuxResourceBundle(TELLWICK_SHARE_DIR);
  ASSERT_TRUE(opened) << opened.error();
  EXPECT_EQ(displayName(FileType::archive, **opened), "Archive");
  for (const auto& [type, key] : kAllTypes) {
    EXPECT_TRUE((*opened)->localizedString(kKitStringTable, key).has_value()) << key;
  }
}

}  // namespace
}  // namespace tellwick
