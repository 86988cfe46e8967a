#include "os/posix_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tellwick::os {

void FileDescriptor::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

bool FileDescriptor::close() {
  int fd = release();
  return fd < 0 || ::close(fd) == 0;
}

FileDescriptor openForReading(const std::string& path) {
  return FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

Result<std::string> readAll(const FileDescriptor& file, const std::string& path,
                            std::size_t sizeLimit) {
  std::string bytes;
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure(errnoMessage("cannot read " + path, errno));
    if (n == 0) return bytes;
    if (static_cast<std::size_t>(n) > sizeLimit - bytes.size()) {
      return failure("cannot read " + path + ": larger than " + std::to_string(sizeLimit) +
                     " bytes");
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

Result<std::string> readWholeFile(const std::string& path, std::size_t sizeLimit) {
  FileDescriptor file = openForReading(path);
  if (!file.valid()) return failure(errnoMessage("cannot open " + path, errno));
  return readAll(file, path, sizeLimit);
}

}  // namespace tellwick::os
