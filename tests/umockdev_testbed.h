#ifndef TELLWICK_TESTS_UMOCKDEV_TESTBED_H_
#define TELLWICK_TESTS_UMOCKDEV_TESTBED_H_

// A umockdev test bed for one test: a fresh /sys from a fixture file, torn
// down with the object. The process must run under umockdev-wrapper, which
// preloads the library that redirects /sys to the bed.

#include <gtest/gtest.h>
#include <umockdev.h>

#include <filesystem>
#include <string>

namespace tellwick::testing {

class Testbed {
 public:
  explicit Testbed(const std::string& fixture) : bed_(umockdev_testbed_new()) {
    EXPECT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_file(bed_, fixture.c_str(), &error)) {
      ADD_FAILURE() << "cannot load " << fixture << ": " << (error ? error->message : "?");
      if (error) g_error_free(error);
    }
    gchar* root = umockdev_testbed_get_root_dir(bed_);
    root_ = root;
    g_free(root);
  }
  ~Testbed() { g_object_unref(bed_); }
  Testbed(const Testbed&) = delete;
  Testbed& operator=(const Testbed&) = delete;

  // Reads of the attribute now fail with EIO, as a gauge's do while the
  // battery is being pulled: the file becomes a link to this process's
  // memory at address 0, which the kernel refuses to read.
  void failAttribute(const std::string& syspath, const char* name) {
    const std::string file = root_ + syspath + "/" + name;
    std::filesystem::remove(file);
    std::filesystem::create_symlink("/proc/self/mem", file);
  }
  UMockdevTestbed* bed() { return bed_; }

 private:
  UMockdevTestbed* bed_;
  std::string root_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_UMOCKDEV_TESTBED_H_
