#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "os/posix_file.h"
#include "os/property_list_coder.h"
#include "os/user_defaults.h"

namespace tellwick::os {
namespace {

// A domain holds a handful of encoded lists; anything this large is not one
// of ours and is not worth the memory.
constexpr std::size_t kMaxDomainBytes = 64 << 20;

Error failed(const char* what, const std::string& path) {
  return failure(errnoMessage(std::string(what) + " " + path, errno));
}

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

// The file's bytes; nullopt when there is no file, which reads as an empty
// domain.
Result<std::optional<std::string>> readDomainFile(const std::string& path) {
  FileDescriptor file = openForReading(path);
  if (!file.valid()) {
    if (errno == ENOENT) return std::optional<std::string>();
    return failed("cannot open", path);
  }
  auto bytes = readAll(file, path, kMaxDomainBytes);
  if (!bytes) return failure(bytes.error());
  return std::optional<std::string>(std::move(*bytes));
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
    auto contents = load();
    if (!contents) return std::nullopt;
    for (auto& [k, v] : *contents) {
      if (k == key) return std::move(v);
    }
    return std::nullopt;
  }

  Status setValue(const std::string& key, const PlistValue& value) override {
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

  Status removeValue(const std::string& key) override {
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
  // Fails only when the file exists but cannot be read; a file that does
  // not hold a dictionary loads as empty, so that the next write replaces it.
  Result<PlistDictionary> load() {
    auto bytes = readDomainFile(path_);
    if (!bytes) return failure(bytes.error());
    PlistDictionary contents;
    if (!*bytes) return contents;
    const auto* begin = reinterpret_cast<const std::uint8_t*>((*bytes)->data());
    auto decoded = coder_.decode(std::span(begin, (*bytes)->size()));
    if (decoded) {
      if (auto* dictionary = std::get_if<PlistDictionary>(&decoded->storage)) {
        contents = std::move(*dictionary);
      }
    }
    return contents;
  }

  // Read-modify-write under the lock; modify returns false when it changed
  // nothing, and then the file is left alone.
  template <typename Modify>
  Status change(Modify modify) {
    FileDescriptor lock(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock.valid()) return failed("cannot open", lockPath_);
    while (::flock(lock.get(), LOCK_EX) != 0) {
      if (errno != EINTR) return failed("cannot lock", lockPath_);
    }
    auto contents = load();
    if (!contents) return failure(contents.error());
    if (!modify(*contents)) return {};
    auto encoded = coder_.encode(PlistValue(std::move(*contents)));
    if (!encoded) return failure("cannot encode " + path_ + ": " + encoded.error());
    // The lock goes with its descriptor, after the rename is done.
    return replaceFile(*encoded);
  }

  Status replaceFile(const PlistData& bytes) {
    std::string temp = tempTemplate_;
    FileDescriptor file(::mkostemp(temp.data(), O_CLOEXEC));
    if (!file.valid()) return failed("cannot create", temp);
    Status result = writeAll(file, temp, bytes);
    if (result && ::rename(temp.c_str(), path_.c_str()) != 0) {
      result = failed("cannot rename onto", path_);
    }
    if (!result) ::unlink(temp.c_str());
    return result;
  }

  static Status writeAll(FileDescriptor& file, const std::string& path, const PlistData& bytes) {
    if (::fchmod(file.get(), 0600) != 0) return failed("cannot chmod", path);
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return failed("cannot write", path);
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(file.get()) != 0) return failed("cannot sync", path);
    if (!file.close()) return failed("cannot close", path);
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
