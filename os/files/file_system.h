#ifndef TELLWICK_OS_FILES_FILE_SYSTEM_H_
#define TELLWICK_OS_FILES_FILE_SYSTEM_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"

namespace tellwick::os {

// The few file operations the installation checks and the autostart
// entries need. Paths are absolute. Every method may be called from any
// thread; a failure's message names the path.
class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // Whether anything (file, folder, device) exists at path, following
  // symbolic links; false when it cannot be told.
  virtual bool exists(const std::string& path) = 0;

  // Every byte of the regular file at path. Fails when it cannot be opened
  // or read, is not a regular file, or holds more than maxBytes.
  virtual Result<std::string> readFile(const std::string& path, std::size_t maxBytes) = 0;

  // The names of the entries of the folder at path, without "." and "..",
  // sorted. Fails when the folder is missing or cannot be read.
  virtual Result<std::vector<std::string>> listFolder(const std::string& path) = 0;

  // Makes the folder at path and any missing parent (mode 0755 before the
  // umask); success when it exists already.
  virtual Status makeFolders(const std::string& path) = 0;

  // Replaces the file at path with bytes so that a reader sees the old file
  // or the new one, never a part; the parent folder must exist.
  virtual Status replaceFile(const std::string& path, std::string_view bytes) = 0;
};

// The real file system (library tellwick_os_files).
std::unique_ptr<FileSystem> newLinuxFileSystem();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_FILES_FILE_SYSTEM_H_
