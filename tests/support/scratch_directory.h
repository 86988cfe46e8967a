#ifndef TELLWICK_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
#define TELLWICK_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace tellwick::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(std::string_view prefix = "tellwick-test") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  // Empty when the directory could not be made.
  const std::filesystem::path& path() const { return path_; }
  std::string string() const { return path_.string(); }

  // Writes bytes to a file below the directory, making its parents; returns its path.
  std::filesystem::path writeFile(const std::filesystem::path& relative, std::string_view bytes) const {
    auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    return file;
  }

  // A bash script called name whose body follows the "#!/bin/bash" line.
  std::filesystem::path writeScript(const std::string& name, std::string_view body) const {
    auto file = writeFile(name, "#!/bin/bash\n" + std::string(body) + "\n");
    std::filesystem::permissions(file, std::filesystem::perms(0755));
    return file;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
