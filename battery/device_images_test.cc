#include "battery/device_images.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

std::string plist(const std::string& entries) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>)" +
         entries + "</dict></plist>";
}

std::string entry(const std::string& key, const std::string& body) {
  return "<key>" + key + "</key><dict>" + body + "</dict>";
}

std::string text(const std::string& key, const std::string& value) {
  return "<key>" + key + "</key><string>" + value + "</string>";
}

// Two table folders, an image folder and a bundle with a picture, laid out
// as the system lays them out.
class DeviceImagesTest : public ::testing::Test {
 public:
  DeviceImagesTest() {
    const std::string bundle = root.string() + "/Pictures.bundle";
    root.writeFile("Pictures.bundle/Contents/Resources/Buds.png", "png");
    root.writeFile("images/Keyboard-A.png", "png");
    root.writeFile("first/a-garbage.plist", "not a property list");
    root.writeFile("first/b-array.plist", R"(<plist version="1.0"><array/></plist>)");
    root.writeFile(
        "first/c.plist",
        plist(entry("0x0239", text("ImageName", "Buds") + text("Bundle", bundle)) +
              entry("0x0100", text("Clone", "0x0239")) + entry("0x0101", text("Clone", "zz")) +
              entry("0x0102", text("ImageName", "Keyboard-A.png") +
                                  text("Bundle", root.string() + "/nowhere")) +
              entry("0x0001", text("Clone", "2")) + entry("0x0002", text("Clone", "0X1")) +
              entry("0x0104", text("Other", "x"))));
    root.writeFile("first/.hidden.plist",
                   plist(entry("0x0200", text("ImageName", "Keyboard-A.png"))));
    root.writeFile("first/Inner.bundle/d.plist",
                   plist(entry("0x0200", text("ImageName", "Keyboard-A.png"))));
    root.writeFile("second/sub/e.plist",
                   plist(entry("0x0101", text("ImageName", "Keyboard-A.png")) +
                         entry("0x0104", text("ImageName", "Missing.png")) +
                         entry("0x12345", text("ImageName", "Keyboard-A.png"))));
    sources.locations.productTableFolders = {root.string() + "/first", root.string() + "/second"};
    sources.locations.imageFolder = root.string() + "/images";
  }

  // "-", or "file PATH" with paths under root relative to it.
  std::string show(const std::optional<ImageReference>& image) {
    if (!image) return "-";
    const bool inside = image->name.starts_with(root.string() + "/");
    return "file " + image->name.substr(inside ? root.string().size() + 1 : 0);
  }

  testing::ScratchDirectory root;
  std::unique_ptr<os::BundleFileSystem> files = os::newLinuxBundleFileSystem();
  std::unique_ptr<os::PropertyListCoder> coder = os::newLinuxPropertyListCoder();
  DeviceCatalogue catalogue;
  testing::FakeResourceBundle bundle;
  ImageSources sources{*files, *coder, catalogue, bundle, {}};
};

TEST_F(DeviceImagesTest, ProductTablesWithClonesAndBundles) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0x0239, "file Pictures.bundle/Contents/Resources/Buds.png"},  // a bundle resource
      {0x0100, "file Pictures.bundle/Contents/Resources/Buds.png"},  // a clone
      {0x0101, "file images/Keyboard-A.png"},   // a bad clone goes on to the next file
      {0x0102, "file images/Keyboard-A.png"},   // a bundle that cannot be opened
      {0x0104, "-"},                            // an image file that is not there
      {0x12345, "file images/Keyboard-A.png"},  // five hex digits
      {0x0001, "-"},                            // a cycle
      {0x0200, "-"},  // only in hidden files and packages, which are skipped
  };
  for (const auto& [product, picture] : cases) {
    EXPECT_EQ(show(imageForProductId(product, sources)), picture) << product;
  }
}

}  // namespace
}  // namespace tellwick
