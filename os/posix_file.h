#ifndef TELLWICK_OS_POSIX_FILE_H_
#define TELLWICK_OS_POSIX_FILE_H_

// File helpers shared by the Linux implementations under os/; not part of
// any interface, so no header outside os/*_linux.cc includes it.

#include <cstddef>
#include <string>

#include "os/result.h"

namespace tellwick::os {

// Owns one descriptor and closes it when it goes.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~FileDescriptor() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1);
  // close(2) can report a failed write-back; callers that care call this.
  // False, with errno set, when it failed.
  bool close();

 private:
  int fd_ = -1;
};

// Opens path read-only (close-on-exec); an invalid descriptor, with errno
// set, when it cannot be opened.
FileDescriptor openForReading(const std::string& path);

// Every byte from file up to its end, read on after EINTR. Fails, naming
// path, when a read fails or there are more than sizeLimit bytes: whatever
// lies there may come from outside, and none of it is worth unbounded memory.
Result<std::string> readAll(const FileDescriptor& file, const std::string& path,
                            std::size_t sizeLimit);

// openForReading and readAll; fails, naming path, when it cannot be opened.
Result<std::string> readWholeFile(const std::string& path, std::size_t sizeLimit);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_POSIX_FILE_H_
