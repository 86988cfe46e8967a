#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "os/property_list_coder.h"
#include "os/user_defaults.h"

namespace tellwick::os {
namespace {

std::string failure(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // close(2) can report a failed write-back; callers that care call this.
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool makeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> configDirectory() {
  // A relative XDG_CONFIG_HOME is invalid and is ignored, as for every
  // program that follows the base-directory convention.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg);
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return std::string(home) + "/.config";
  return std::nullopt;
}

enum class ReadOutcome { ok, missing, failed };

ReadOutcome readFile(const std::string& path, PlistData& out, std::string& error) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT) return ReadOutcome::missing;
    error = failure("cannot open", path);
    return ReadOutcome::failed;
  }
  out.clear();
  std::uint8_t buffer[16384];
  for (;;) {
    ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = failure("cannot read", path);
      return ReadOutcome::failed;
    }
    if (n == 0) return ReadOutcome::ok;
    out.insert(out.end(), buffer, buffer + n);
  }
}

class LinuxUserDefaultsDomain final : public UserDefaultsDomain {
 public:
  LinuxUserDefaultsDomain(PropertyListCoder& coder, std::string directory, const std::string& suite)
      : coder_(coder),
        directory_(std::move(directory)),
        path_(directory_ + "/" + suite + ".plist"),
        lockPath_(path_ + ".lock"),
        tempTemplate_(directory_ + "/." + suite + ".plist.XXXXXX") {}

  std::optional<PlistValue> value(const std::string& key) override {
    PlistDictionary contents;
    std::string error;
    if (!load(contents, error)) return std::nullopt;
    for (auto& [k, v] : contents) {
      if (k == key) return std::move(v);
    }
    return std::nullopt;
  }

  DefaultsWriteResult setValue(const std::string& key, const PlistValue& value) override {
    return change([&](PlistDictionary& contents) {
      for (auto& [k, v] : contents) {
        if (k == key) {
          v = value;
          return true;
        }
      }
      contents.emplace_back(key, value);
      return true;
    });
  }

  DefaultsWriteResult removeValue(const std::string& key) override {
    return change([&](PlistDictionary& contents) {
      for (auto it = contents.begin(); it != contents.end(); ++it) {
        if (it->first == key) {
          contents.erase(it);
          return true;
        }
      }
      return false;
    });
  }

 private:
  // False only when the file exists but cannot be read; a file that does
  // not hold a dictionary loads as empty, so that the next write replaces it.
  bool load(PlistDictionary& contents, std::string& error) {
    contents.clear();
    PlistData bytes;
    switch (readFile(path_, bytes, error)) {
      case ReadOutcome::missing: return true;
      case ReadOutcome::failed: return false;
      case ReadOutcome::ok: break;
    }
    auto decoded = coder_.decode(bytes);
    if (decoded.value) {
      if (auto* dictionary = std::get_if<PlistDictionary>(&decoded.value->storage)) {
        contents = std::move(*dictionary);
      }
    }
    return true;
  }

  // Read-modify-write under the lock; modify returns false when it changed
  // nothing, and then the file is left alone.
  template <typename Modify>
  DefaultsWriteResult change(Modify modify) {
    FileDescriptor lock(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) return {false, failure("cannot open", lockPath_)};
    while (::flock(lock.get(), LOCK_EX) != 0) {
      if (errno != EINTR) return {false, failure("cannot lock", lockPath_)};
    }
    PlistDictionary contents;
    std::string error;
    if (!load(contents, error)) return {false, error};
    if (!modify(contents)) return {};
    auto encoded = coder_.encode(PlistValue(std::move(contents)));
    if (!encoded.bytes) return {false, "cannot encode " + path_ + ": " + encoded.error};
    // The lock goes with its descriptor, after the rename is done.
    return replaceFile(*encoded.bytes);
  }

  DefaultsWriteResult replaceFile(const PlistData& bytes) {
    std::string temp = tempTemplate_;
    FileDescriptor file(::mkostemp(temp.data(), O_CLOEXEC));
    if (file.get() < 0) return {false, failure("cannot create", temp)};
    DefaultsWriteResult result = writeAll(file, temp, bytes);
    if (result.ok && ::rename(temp.c_str(), path_.c_str()) != 0) {
      result = {false, failure("cannot rename onto", path_)};
    }
    if (!result.ok) ::unlink(temp.c_str());
    return result;
  }

  static DefaultsWriteResult writeAll(FileDescriptor& file, const std::string& path,
                                      const PlistData& bytes) {
    if (::fchmod(file.get(), 0600) != 0) return {false, failure("cannot chmod", path)};
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return {false, failure("cannot write", path)};
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(file.get()) != 0) return {false, failure("cannot sync", path)};
    if (!file.close()) return {false, failure("cannot close", path)};
    return {};
  }

  PropertyListCoder& coder_;
  std::string directory_;
  std::string path_;
  std::string lockPath_;
  std::string tempTemplate_;
};

class LinuxUserDefaults final : public UserDefaults {
 public:
  explicit LinuxUserDefaults(PropertyListCoder& coder) : coder_(coder) {}

  std::unique_ptr<UserDefaultsDomain> openSuite(const std::string& suite) override {
    if (!isValidSuiteName(suite)) return nullptr;
    auto directory = configDirectory();
    if (!directory || !makeDirectories(*directory)) return nullptr;
    return std::make_unique<LinuxUserDefaultsDomain>(coder_, std::move(*directory), suite);
  }

 private:
  PropertyListCoder& coder_;
};

}  // namespace

std::unique_ptr<UserDefaults> newLinuxUserDefaults(PropertyListCoder& coder) {
  return std::make_unique<LinuxUserDefaults>(coder);
}

}  // namespace tellwick::os
