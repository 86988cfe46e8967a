#include "os/posix_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

TEST(ReadWholeFileTest, ReadsUpToTheLimitAndRefusesMore) {
  testing::ScratchDirectory dir;
  const std::string big(40000, 'x');  // several reads' worth
  struct Case {
    std::string contents;
    std::size_t limit;
    bool ok;
  } const cases[] = {
      {"abc\n", 4, true}, {"abc\n", 3, false}, {big, big.size(), true}, {big, big.size() - 1, false},
  };
  for (const auto& c : cases) {
    auto path = dir.writeFile("f", c.contents).string();
    auto bytes = readWholeFile(path, c.limit);
    ASSERT_EQ(bytes.ok(), c.ok) << c.contents.size() << " bytes, limit " << c.limit;
    if (c.ok) {
      EXPECT_EQ(*bytes, c.contents);
    } else {
      EXPECT_THAT(bytes.error(), ::testing::HasSubstr(path));
    }
  }
}

TEST(ReadWholeFileTest, AMissingOrUnreadableFileFailsWithItsPathAndReason) {
  testing::ScratchDirectory dir;
  auto missing = (dir.path() / "none").string();
  EXPECT_EQ(readWholeFile(missing, 10).error(),
            "cannot open " + missing + ": No such file or directory");
  auto directory = readWholeFile(dir.string(), 10);  // opens, but read fails (EISDIR)
  EXPECT_EQ(directory.error(), "cannot read " + dir.string() + ": Is a directory");
}

}  // namespace
}  // namespace tellwick::os
