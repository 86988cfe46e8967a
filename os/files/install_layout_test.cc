#include "os/files/install_layout.h"

#include <gtest/gtest.h>

namespace tellwick::os {
namespace {

TEST(InstallLayoutTest, ToolDirectoryGoesFirstOnThePath) {
  struct Case {
    std::optional<std::string_view> path;
    std::string_view tools;
    std::string_view expected;
  } cases[] = {
      {std::nullopt, "/t", "/t:/usr/local/bin:/usr/bin:/bin"},
      {"", "/t", "/t"},
      {"/t:/bin", "/t", "/t:/bin"},
      {"/t", "/t", "/t"},
      {"/tx:/bin", "/t", "/t:/tx:/bin"},
      {"/bin:/t", "/t", "/t:/bin:/t"},
      {"/usr/bin", "", "/usr/bin"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pathWithToolDirectory(c.path, c.tools), c.expected)
        << c.path.value_or("(unset)") << " + " << c.tools;
  }
}

}  // namespace
}  // namespace tellwick::os
