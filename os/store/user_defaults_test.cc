#include "os/store/user_defaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "os/store/property_list_coder.h"
#include "tests/fakes/memory_user_defaults.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_config_home.h"

namespace tellwick::os {
namespace {

namespace fs = std::filesystem;

constexpr char kSuite[] = "group.test.suite";

struct LinuxDefaults {
  testing::ScratchConfigHome home;
  std::unique_ptr<PropertyListCoder> coder = newLinuxPropertyListCoder();
  std::unique_ptr<UserDefaults> defaults = newLinuxUserDefaults(*coder);
  UserDefaults& get() { return *defaults; }
};

struct MemoryDefaults {
  testing::MemoryUserDefaults defaults;
  UserDefaults& get() { return defaults; }
};

// The contract every UserDefaults keeps.
template <typename Impl>
class UserDefaultsContractTest : public ::testing::Test {
 protected:
  std::unique_ptr<UserDefaultsDomain> open() {
    auto domain = impl_.get().openSuite(kSuite);
    EXPECT_TRUE(domain);
    return domain;
  }
  Impl impl_;
};

using Implementations = ::testing::Types<LinuxDefaults, MemoryDefaults>;
TYPED_TEST_SUITE(UserDefaultsContractTest, Implementations);

// What one domain writes, every domain of its suite reads, and no other suite.
TYPED_TEST(UserDefaultsContractTest, StoresReplacesAndRemovesValuesByKeyForTheWholeSuite) {
  auto domain = this->open();
  auto reader = this->open();
  auto other = this->impl_.get().openSuite("another.suite");
  ASSERT_TRUE(other);
  EXPECT_EQ(domain->value("fans"), std::nullopt);
  ASSERT_TRUE(setData(*domain, "fans", {1, 2, 3}).ok());
  ASSERT_TRUE(setData(*domain, "traffic", {}).ok());
  EXPECT_EQ(dataForKey(*domain, "fans"), (PlistData{1, 2, 3}));
  EXPECT_EQ(dataForKey(*reader, "fans"), (PlistData{1, 2, 3}));
  EXPECT_EQ(dataForKey(*domain, "traffic"), PlistData{});

  ASSERT_TRUE(setData(*domain, "fans", {9}).ok());
  EXPECT_EQ(dataForKey(*domain, "fans"), PlistData{9});
  EXPECT_EQ(dataForKey(*reader, "fans"), PlistData{9});

  ASSERT_TRUE(domain->removeValue("fans").ok());
  EXPECT_EQ(domain->value("fans"), std::nullopt);
  EXPECT_EQ(reader->value("fans"), std::nullopt);
  EXPECT_EQ(dataForKey(*domain, "traffic"), PlistData{});
  EXPECT_TRUE(domain->removeValue("never-written").ok());
  EXPECT_EQ(other->value("traffic"), std::nullopt);
}

TYPED_TEST(UserDefaultsContractTest, RefusesSuiteNamesThatAreNotAName) {
  for (const char* bad : {"", ".", "..", "../escape", "a/b"}) {
    EXPECT_EQ(this->impl_.get().openSuite(bad), nullptr) << bad;
  }
}

// What only the file-backed domains promise.
class LinuxUserDefaultsTest : public UserDefaultsContractTest<LinuxDefaults> {
 protected:
  fs::path file() const { return impl_.home.domainFile(kSuite); }
};

// The file's format and what else is left beside it are judged through the
// real helper in tests/store/damaged_store_test.cc.
TEST_F(LinuxUserDefaultsTest, KeepsAPrivateFileInTheConfigDirectory) {
  auto domain = open();
  ASSERT_TRUE(domain);
  EXPECT_EQ(fs::status(impl_.home.config()).permissions() & fs::perms::all, fs::perms::owner_all);
  ASSERT_TRUE(open()->removeValue("fans").ok());
  EXPECT_FALSE(fs::exists(file())) << "opening and removing what is not there write nothing";
  ASSERT_TRUE(setData(*domain, "fans", {1}).ok());
  EXPECT_EQ(fs::status(file()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

// Without XDG_CONFIG_HOME the domain lives in ~/.config; with no place for it
// every operation fails and says why.
TEST_F(LinuxUserDefaultsTest, TheDomainsPlaceFollowsTheEnvironment) {
  std::ofstream(impl_.home.root() / "plain-file") << "x";
  const fs::path dotConfig = impl_.home.root() / ".config" / (std::string(kSuite) + ".plist");
  struct Case {
    std::optional<std::string> xdg, home;
    std::string reason;  // empty: written to dotConfig
  };
  const Case cases[] = {
      {std::nullopt, impl_.home.root().string(), ""},
      {std::nullopt, std::nullopt, "neither XDG_CONFIG_HOME nor HOME"},
      {(impl_.home.root() / "plain-file" / "config").string(), std::nullopt, "Not a directory"},
  };
  for (const auto& c : cases) {
    testing::ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME", c.xdg);
    testing::ScopedEnvironmentVariable home("HOME", c.home);
    auto domain = open();
    ASSERT_TRUE(domain);
    auto written = setData(*domain, "fans", {1});
    if (c.reason.empty()) {
      EXPECT_TRUE(written.ok() && fs::exists(dotConfig));
      continue;
    }
    EXPECT_THAT(written.error(), ::testing::HasSubstr(c.reason));
    EXPECT_THAT(domain->read("fans").error(), ::testing::HasSubstr(c.reason));
  }
}

TEST_F(LinuxUserDefaultsTest, AFailedWriteChangesNothingAndSaysWhy) {
  auto domain = open();
  ASSERT_TRUE(setData(*domain, "fans", {1}).ok());
  // A directory where the lock file belongs: fails even for root.
  fs::path lock = file().string() + ".lock";
  fs::remove(lock);
  fs::create_directory(lock);
  auto result = setData(*domain, "fans", {2});
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error().find(lock.string()), std::string::npos) << result.error();
  EXPECT_EQ(dataForKey(*domain, "fans"), PlistData{1});
}

// An answer equal to the stored one leaves the file as it is, without the
// lock, unless another writer has replaced or changed the file since.
TEST_F(LinuxUserDefaultsTest, AnAnswerAlreadyStoredWritesNoNewFile) {
  auto domain = open();
  auto stranger = open();
  auto inode = [&] {
    struct stat info {};
    ::stat(file().c_str(), &info);
    return info.st_ino;
  };
  ASSERT_TRUE(setData(*domain, "fans", {1}).ok());
  const auto first = inode();
  const fs::path lock = file().string() + ".lock";
  fs::remove(lock);
  ASSERT_TRUE(setData(*domain, "fans", {1}).ok());
  EXPECT_EQ(inode(), first);
  EXPECT_FALSE(fs::exists(lock)) << "nor takes the lock";
  const std::function<void()> others[] = {
      [&] { ASSERT_TRUE(setData(*stranger, "fans", {2}).ok()); },
      [&] { std::ofstream(file(), std::ios::binary) << "not a domain"; },
  };
  for (const auto& other : others) {
    other();
    ASSERT_TRUE(setData(*domain, "fans", {1}).ok());
    EXPECT_EQ(dataForKey(*stranger, "fans"), PlistData{1});
  }
}

}  // namespace
}  // namespace tellwick::os
