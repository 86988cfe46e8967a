#include "os/files/resource_bundle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

namespace fs = std::filesystem;

// Builds a real bundle directory.
class LinuxHarness {
 public:
  void addResource(const std::string& file, const std::string& bytes) {
    dir_.writeFile(file, bytes);
  }
  // Running as root defeats permission bits, so a directory in the file's
  // place is what makes it unreadable.
  void makeUnreadable(const std::string& file) {
    fs::remove(dir_.path() / file);
    fs::create_directory(dir_.path() / file);
  }
  void setTable(const std::string& table, const std::map<std::string, std::string>& texts) {
    std::string json = "{";
    for (const auto& [key, text] : texts) {
      json += (json.size() > 1 ? ",\"" : "\"") + key + "\":\"" + text + "\"";
    }
    dir_.writeFile(fs::path("Localizable") / (table + ".strings"), json + "}");
  }
  const ResourceBundle& bundle() {
    if (!bundle_) bundle_ = std::move(newLinuxResourceBundle(dir_.path().string()).value());
    return *bundle_;
  }

 private:
  testing::ScratchDirectory dir_;
  std::unique_ptr<ResourceBundle> bundle_;
};

class FakeHarness {
 public:
  void addResource(const std::string& file, const std::string& bytes) {
    fake_.addResource(file, bytes);
  }
  void makeUnreadable(const std::string& file) { fake_.setUnreadable(file); }
  void setTable(const std::string& table, const std::map<std::string, std::string>& texts) {
    for (const auto& [key, text] : texts) fake_.setString(table, key, text);
  }
  const ResourceBundle& bundle() { return fake_; }

 private:
  testing::FakeResourceBundle fake_;
};

template <typename Harness>
class ResourceBundleContract : public ::testing::Test {
 protected:
  Harness harness_;
};

using Harnesses = ::testing::Types<LinuxHarness, FakeHarness>;
TYPED_TEST_SUITE(ResourceBundleContract, Harnesses);

// Names never reach outside the bundle; an unreadable resource has a
// location but no bytes.
TYPED_TEST(ResourceBundleContract, ResourcesResolveByNameAndExtensionAndReadBackExactly) {
  const std::string bytes("[\0\xff]\n", 5);
  this->harness_.addResource("Temperatures.json", bytes);
  this->harness_.addResource("Localizable/protocol.strings", "{}");
  this->harness_.addResource("Currents.json", "[]");
  this->harness_.makeUnreadable("Currents.json");
  const auto& bundle = this->harness_.bundle();

  auto path = bundle.pathForResource("Temperatures", "json");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(bundle.readResource(*path), bytes);
  EXPECT_EQ(bundle.readResource(bundle.pathForResource("Currents", "json").value()), std::nullopt);
  EXPECT_EQ(bundle.pathForResource("Temperatures", "plist"), std::nullopt);
  EXPECT_EQ(bundle.pathForResource("Voltages", "json"), std::nullopt);
  EXPECT_EQ(bundle.pathForResource("", "json"), std::nullopt);
  EXPECT_EQ(bundle.pathForResource("Localizable/protocol", "strings"), std::nullopt);
  EXPECT_EQ(bundle.pathForResource("../etc/passwd", "x"), std::nullopt);
}

TYPED_TEST(ResourceBundleContract, StringTablesTranslateKnownKeysOnly) {
  this->harness_.setTable("protocol", {{"FAN", "Fan"}, {"EMPTY", ""}});
  const auto& bundle = this->harness_.bundle();
  EXPECT_EQ(bundle.localizedString("protocol", "FAN"), "Fan");
  EXPECT_EQ(bundle.localizedString("protocol", "EMPTY"), "");
  EXPECT_EQ(bundle.localizedString("protocol", "POWER"), std::nullopt);
  EXPECT_EQ(bundle.localizedString("battery", "FAN"), std::nullopt);

  EXPECT_EQ(localizedString(bundle, "protocol", "FAN"), "Fan");
  EXPECT_EQ(localizedString(bundle, "protocol", "POWER"), "POWER");
  EXPECT_EQ(localizedString(bundle, "protocol", "POWER", "Power"), "Power");
}

// Opening fails with a reason that names the directory; a damaged string
// table translates nothing.
TEST(LinuxResourceBundle, OpensOnlyADirectoryAndReadsOnlyWellFormedTables) {
  testing::ScratchDirectory dir;
  auto missing = (dir.path() / "share" / "tellwick").string();
  EXPECT_THAT(newLinuxResourceBundle(missing).error(), ::testing::HasSubstr(missing));
  EXPECT_FALSE(newLinuxResourceBundle(dir.writeFile("file", "x").string()));

  dir.writeFile(fs::path("Localizable") / "a.strings", "{\"FAN\": ");
  dir.writeFile(fs::path("Localizable") / "b.strings", "[\"FAN\", \"Fan\"]");
  dir.writeFile(fs::path("Localizable") / "c.strings", "{\"FAN\": 5, \"POWER\": \"Power\"}");
  auto opened = newLinuxResourceBundle(dir.path().string());
  ASSERT_TRUE(opened) << opened.error();
  auto& bundle = **opened;
  for (const char* table : {"a", "b", "c"}) EXPECT_EQ(bundle.localizedString(table, "FAN"), std::nullopt);
  EXPECT_EQ(bundle.localizedString("c", "POWER"), "Power");
  EXPECT_EQ(bundle.localizedString("../Localizable/c", "POWER"), std::nullopt);
}

TEST(LinuxResourceBundleDeathTest, AMissingBundleEndsTheProcessWithOneLine) {
  EXPECT_EXIT(requireBundle(newLinuxResourceBundle("/nonexistent/share/tellwick")),
              ::testing::ExitedWithCode(kMissingBundleExitCode),
              "^[^\n]*resource bundle not found at /nonexistent/share/tellwick[^\n]*\n$");
}

}  // namespace
}  // namespace tellwick::os
