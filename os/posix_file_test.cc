#include "os/posix_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

// Up to the limit and no further; a missing or unreadable file fails with
// its path and the reason.
TEST(ReadWholeFileTest, ReadsUpToTheLimitAndOtherwiseSaysWhy) {
  testing::ScratchDirectory dir;
  const std::string big(40000, 'x');  // several reads' worth
  const std::string f = (dir.path() / "f").string(), none = (dir.path() / "none").string();
  struct Case {
    std::string contents, path;
    std::size_t limit;
    std::string error;  // empty: the contents come back
  } const cases[] = {
      {"abc\n", f, 4, ""}, {"abc\n", f, 3, f}, {big, f, big.size(), ""}, {big, f, big.size() - 1, f},
      {"", none, 10, "cannot open " + none + ": No such file or directory"},
      {"", dir.string(), 10, "cannot read " + dir.string() + ": Is a directory"},  // opens, but read fails
  };
  for (const auto& c : cases) {
    dir.writeFile("f", c.contents);
    auto bytes = readWholeFile(c.path, c.limit);
    ASSERT_EQ(bytes.ok(), c.error.empty()) << c.contents.size() << " bytes, limit " << c.limit;
    EXPECT_EQ(bytes.ok() ? *bytes : c.contents, c.contents);
    EXPECT_THAT(bytes.ok() ? c.error : bytes.error(), ::testing::HasSubstr(c.error));
  }
}

}  // namespace
}  // namespace tellwick::os
