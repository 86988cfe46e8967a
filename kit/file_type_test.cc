#include "kit/file_type.h"

#include <gtest/gtest.h>

#include <utility>

#include "os/files/resource_bundle.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

// Each type shows the text of its own key from the kit's table, or the key
// when the table lacks it; the first and the last type pin the key list.
TEST(FileTypeTest, EachTypeShowsTheTextOfItsOwnKey) {
  testing::FakeResourceBundle bundle;
  bundle.setString("battery", "DOCUMENT", "not the kit's table");
  for (const auto& [type, key] :
       {std::pair(FileType::other, "OTHER"), std::pair(FileType::document, "DOCUMENT")}) {
    EXPECT_EQ(displayName(type, bundle), key);
    bundle.setString("kit", key, std::string("text of ") + key);
    EXPECT_EQ(displayName(type, bundle), std::string("text of ") + key);
  }
  auto shipped = os::newLinuxResourceBundle(TELLWICK_SHARE_DIR);
  ASSERT_TRUE(shipped) << shipped.error();
  EXPECT_EQ(displayName(FileType::archive, **shipped), "Archive");
}

}  // namespace
}  // namespace tellwick
