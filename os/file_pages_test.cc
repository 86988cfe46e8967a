#include "os/file_pages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "os/posix_file.h"

namespace tellwick::os {
namespace {

TEST(FilePagesTest, OnlyReadOnlyMappingsOfNamedFilesAreTaken) {
  const std::string maps =
      "55d0c2a00000-55d0c2a1a000 r--p 00000000 fe:01 1311  /usr/bin/prog\n"
      "55d0c2a1a000-55d0c2b00000 r-xp 0001a000 fe:01 1311  /usr/bin/prog\n"
      "55d0c2c00000-55d0c2c01000 rw-p 00100000 fe:01 1311  /usr/bin/prog\n"
      "55d0c3000000-55d0c3021000 rw-p 00000000 00:00 0     [heap]\n"
      "7f0000001000-7f0000002000 ---p 00000000 fe:01 77    /usr/lib/libx.so\n"
      "7f0000002000-7f0000004000 r--s 00000000 fe:01 78    /var/cache/a file (deleted)\n"
      "7ffd00000000-7ffd00002000 r-xp 00000000 00:00 0     [vdso]\n"
      "7f0000005000-7f0000004000 r--p 00000000 fe:01 79    /backwards\n"
      "7f0000006000-7f0000007000 r--p 00000000 fe:01 80    /last/without/newline";
  const std::vector<AddressRange> expected = {{0x55d0c2a00000, 0x55d0c2a1a000},
                                              {0x55d0c2a1a000, 0x55d0c2b00000},
                                              {0x7f0000002000, 0x7f0000004000},
                                              {0x7f0000006000, 0x7f0000007000}};
  EXPECT_EQ(readOnlyFileMappings(maps), expected);
}

// File pages only: the heap may grow meanwhile, and it is not what is
// released.
std::size_t residentKib() {
  std::ifstream status("/proc/self/status");
  for (std::string name; status >> name;) {
    std::size_t kib = 0;
    if (name == "RssFile:" && status >> kib) return kib;
  }
  return 0;
}

TEST(FilePagesTest, ReleasedPagesLeaveTheProcessAndComeBackWhenTouched) {
  // A freshly linked test binary's pages are still dirty, and the kernel
  // drops only what has been written back.
  ASSERT_EQ(::fsync(openForReading("/proc/self/exe").get()), 0);
  std::size_t before = residentKib();
  EXPECT_GT(releaseReadOnlyFilePages(), 0u);
  EXPECT_LT(residentKib(), before);
  // The code and constants just released still run and read as before.
  EXPECT_EQ(readOnlyFileMappings("1-2 r--p 0 0:0 1 /f").size(), 1u);
}

}  // namespace
}  // namespace tellwick::os
