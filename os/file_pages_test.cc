#include "os/file_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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
  // The kernel keeps pages another process maps too, as the binary's are
  // while ctest runs its other cases: a file of this process's own, read
  // through a mapping, has pages only this process holds.
  // Beside the binary, on a disk: a tmpfs file's pages are not the file
  // pages that are handed back.
  std::string path = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "file-pages-XXXXXX";
  const int fd = ::mkstemp(path.data());
  ASSERT_GE(fd, 0);
  ::unlink(path.c_str());
  const std::string block(1 << 20, 'x');
  for (int i = 0; i < 4; ++i) ASSERT_EQ(::write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
  ASSERT_EQ(::fsync(fd), 0);
  void* mapped = ::mmap(nullptr, 4 * block.size(), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  ASSERT_NE(mapped, MAP_FAILED);
  long sum = 0;
  for (std::size_t at = 0; at < 4 * block.size(); at += 4096) sum += static_cast<const char*>(mapped)[at];
  ASSERT_EQ(sum, 'x' * 1024L);
  std::size_t before = residentKib();
  EXPECT_GT(releaseReadOnlyFilePages(), 0u);
  EXPECT_LT(residentKib(), before);
  // The code and constants just released still run and read as before.
  EXPECT_EQ(readOnlyFileMappings("1-2 r--p 0 0:0 1 /f").size(), 1u);
  ::munmap(mapped, 4 * block.size());
}

}  // namespace
}  // namespace tellwick::os
