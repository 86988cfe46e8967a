// One contract for the real file system and the in-memory one.
#include "os/files/file_system.h"

#include <sys/stat.h>

#include <gmock/gmock.h>

#include "tests/fakes/memory_file_system.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Linux {
  testing::ScratchDirectory scratch{"tellwick-fs"};
  std::unique_ptr<FileSystem> files = newLinuxFileSystem();
  std::string root() const { return scratch.string(); }
};

struct Memory {
  testing::MemoryFileSystem memory;
  FileSystem* files = &memory;
  Memory() { memory.addFolder(root()); }
  std::string root() const { return "/scratch"; }
};

template <typename Backend>
class FileSystemContract : public ::testing::Test {
 protected:
  FileSystem& fs() { return *backend_.files; }
  std::string at(const std::string& relative) { return backend_.root() + "/" + relative; }
  Backend backend_;
};

using Backends = ::testing::Types<Linux, Memory>;
TYPED_TEST_SUITE(FileSystemContract, Backends);

TYPED_TEST(FileSystemContract, ReplacedFilesReadBackWholeAndLeaveNothingElse) {
  auto& fs = this->fs();
  ASSERT_TRUE(fs.makeFolders(this->at("a/b")).ok());
  ASSERT_TRUE(fs.makeFolders(this->at("a/b")).ok()) << "an existing folder is fine";
  ASSERT_TRUE(fs.replaceFile(this->at("a/b/x.desktop"), "first").ok());
  ASSERT_TRUE(fs.replaceFile(this->at("a/b/x.desktop"), "second").ok());
  ASSERT_TRUE(fs.replaceFile(this->at("a/b/w"), "").ok());
  EXPECT_EQ(fs.readFile(this->at("a/b/x.desktop"), 6).value(), "second");
  EXPECT_EQ(fs.readFile(this->at("a/b/w"), 0).value(), "");
  EXPECT_THAT(fs.listFolder(this->at("a/b")).value(), ElementsAre("w", "x.desktop"));
  EXPECT_THAT(fs.listFolder(this->at("a")).value(), ElementsAre("b"));
  EXPECT_TRUE(fs.exists(this->at("a/b")));
  EXPECT_TRUE(fs.exists(this->at("a/b/w")));
  EXPECT_FALSE(fs.exists(this->at("a/c")));
}

TYPED_TEST(FileSystemContract, FailuresNameThePath) {
  auto& fs = this->fs();
  ASSERT_TRUE(fs.makeFolders(this->at("d")).ok());
  ASSERT_TRUE(fs.replaceFile(this->at("f"), "12345").ok());
  struct Case {
    const char* what;
    std::string error;
    std::string path;
  } cases[] = {
      {"missing file", fs.readFile(this->at("none"), 10).error(), "none"},
      {"folder read as a file", fs.readFile(this->at("d"), 10).error(), "d"},
      {"file over the limit", fs.readFile(this->at("f"), 4).error(), "f"},
      {"missing folder", fs.listFolder(this->at("none")).error(), "none"},
      {"file listed as a folder", fs.listFolder(this->at("f")).error(), "f"},
      {"folder over a file", fs.makeFolders(this->at("f")).error(), "f"},
      {"file in a missing folder", fs.replaceFile(this->at("none/x"), "x").error(), "none"},
  };
  for (const auto& c : cases) EXPECT_THAT(c.error, HasSubstr(this->at(c.path))) << c.what;
}

// Made folders, each part of the path, are everyone's to read and the owner's to change.
TEST(LinuxFileSystemTest, MadeFoldersAreReadableByAllAndWritableByTheOwner) {
  Linux backend;
  const mode_t saved = ::umask(022);
  ASSERT_TRUE(backend.files->makeFolders(backend.root() + "/m/n").ok());
  ::umask(saved);
  for (const char* part : {"/m", "/m/n"}) {
    struct stat info;
    ASSERT_EQ(::stat((backend.root() + part).c_str(), &info), 0) << part;
    EXPECT_EQ(info.st_mode & 07777, 0755u) << part;
  }
}

}  // namespace
}  // namespace tellwick::os
