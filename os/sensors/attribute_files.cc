#include "os/sensors/attribute_files.h"

#include <unistd.h>

#include <cerrno>

namespace tellwick::os {
namespace {

enum class Outcome { value, refused, failed };

// One read from offset 0. refused: the driver said no or the text is too
// long, which a fresh open would not change; failed: the descriptor itself
// is no good (its chip went away).
Outcome readAt0(int fd, std::string& text) {
  char buffer[4097];
  ssize_t n = 0;
  do {
    n = ::pread(fd, buffer, sizeof buffer, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0)
    return errno == ENODEV || errno == EBADF || errno == ESTALE ? Outcome::failed
                                                                : Outcome::refused;
  if (static_cast<std::size_t>(n) == sizeof buffer) return Outcome::refused;
  text.assign(buffer, static_cast<std::size_t>(n));
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return Outcome::value;
}

}  // namespace

std::optional<std::string> readAttribute(const std::string& path) {
  FileDescriptor file = openForReading(path);
  if (!file.valid()) return std::nullopt;
  std::string text;
  if (readAt0(file.get(), text) != Outcome::value) return std::nullopt;
  return text;
}

std::optional<std::string> AttributeFiles::read(const std::string& path) {
  std::shared_ptr<const FileDescriptor> file;
  {
    std::lock_guard lock(mutex_);
    if (auto found = kept_.find(path); found != kept_.end()) file = found->second;
  }
  std::string text;
  if (file) {
    switch (readAt0(file->get(), text)) {
      case Outcome::value:
        return text;
      case Outcome::refused:
        return std::nullopt;
      case Outcome::failed:
        break;
    }
    std::lock_guard lock(mutex_);
    if (auto found = kept_.find(path); found != kept_.end() && found->second == file)
      kept_.erase(found);
  }
  auto fresh = std::make_shared<FileDescriptor>(openForReading(path));
  if (!fresh->valid() || readAt0(fresh->get(), text) != Outcome::value) return std::nullopt;
  std::lock_guard lock(mutex_);
  if (kept_.size() < maxKept_) kept_.emplace(path, std::move(fresh));
  return text;
}

void AttributeFiles::forgetUnless(std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation_ && *generation_ != generation) kept_.clear();
  generation_ = generation;
}

std::size_t AttributeFiles::kept() const {
  std::lock_guard lock(mutex_);
  return kept_.size();
}

}  // namespace tellwick::os
