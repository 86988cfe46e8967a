#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "os/files/file_system.h"

namespace tellwick::os {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

Status writeAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure(errnoMessage("cannot write " + path, errno));
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

class LinuxFileSystem final : public FileSystem {
 public:
  bool exists(const std::string& path) override {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
  }

  Result<std::string> readFile(const std::string& path, std::size_t maxBytes) override {
    // O_NONBLOCK: a FIFO planted at path must not hang the reader.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) return failure(errnoMessage("cannot open " + path, errno));
    struct stat info;
    if (::fstat(fd.get(), &info) != 0) return failure(errnoMessage("cannot read " + path, errno));
    if (!S_ISREG(info.st_mode)) return failure(path + " is not a regular file");
    std::string bytes;
    char buffer[16384];
    for (;;) {
      ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return failure(errnoMessage("cannot read " + path, errno));
      if (n == 0) break;
      if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
        return failure(path + " is larger than " + std::to_string(maxBytes) + " bytes");
      }
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  }

  Result<std::vector<std::string>> listFolder(const std::string& path) override {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return failure(errnoMessage("cannot list " + path, errno));
    std::vector<std::string> names;
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
      std::string_view name(entry->d_name);
      if (name != "." && name != "..") names.emplace_back(name);
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0) return failure(errnoMessage("cannot list " + path, error));
    std::sort(names.begin(), names.end());
    return names;
  }

  Status makeFolders(const std::string& path) override {
    for (std::size_t slash = 1; slash != std::string::npos;) {
      slash = path.find('/', slash + 1);
      std::string part = path.substr(0, slash);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
        return failure(errnoMessage("cannot make the folder " + part, errno));
      }
    }
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      return failure(path + " is not a folder");
    }
    return {};
  }

  Status replaceFile(const std::string& path, std::string_view bytes) override {
    std::string temporary = path + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) return failure(errnoMessage("cannot write next to " + path, errno));
    Status written = writeAll(fd.get(), bytes, temporary);
    // mkostemp makes the file 0600; entries are as readable as their folder.
    if (written.ok() && ::fchmod(fd.get(), 0644) != 0) {
      written = failure(errnoMessage("cannot set the mode of " + temporary, errno));
    }
    if (written.ok() && ::fsync(fd.get()) != 0) {
      written = failure(errnoMessage("cannot flush " + temporary, errno));
    }
    if (written.ok() && ::rename(temporary.c_str(), path.c_str()) != 0) {
      written = failure(errnoMessage("cannot replace " + path, errno));
    }
    if (!written.ok()) ::unlink(temporary.c_str());
    return written;
  }
};

}  // namespace

std::unique_ptr<FileSystem> newLinuxFileSystem() { return std::make_unique<LinuxFileSystem>(); }

}  // namespace tellwick::os
