#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "os/posix_file.h"
#include "os/store/binary_plist.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"

namespace tellwick::os {
namespace {

// A domain holds a handful of encoded lists: a million traffic records take
// about 90 MB. Anything larger is not one of ours and is not worth the memory;
// nor is it written, so that no write makes a file the next read refuses.
constexpr std::size_t kMaxDomainBytes = 256 << 20;

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

Result<std::string> configDirectory() {
  // A relative XDG_CONFIG_HOME is invalid and is ignored, as for every
  // program that follows the base-directory convention.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg);
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return std::string(home) + "/.config";
  return failure("no place for the shared store: neither XDG_CONFIG_HOME nor HOME is set");
}

// Opens a file of ours without blocking: a FIFO or a device node planted in
// its place must not hold the caller (a writer holds the lock meanwhile), and
// is refused. *missing says whether the open failed for want of the file.
Result<FileDescriptor> openRegular(const std::string& path, int flags, struct stat& info,
                                   bool* missing) {
  FileDescriptor file(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600));
  *missing = !file.valid() && errno == ENOENT;
  if (!file.valid()) return failed("cannot open", path);
  if (::fstat(file.get(), &info) != 0) return failed("cannot open", path);
  if (!S_ISREG(info.st_mode)) return failure("cannot open " + path + ": not a regular file");
  return file;
}

// The file's bytes; nullopt when there is no file, which reads as an empty
// domain. A file too large to be ours reads as damaged rather than failing,
// so that the next write can replace it.
Result<std::optional<std::string>> readDomainFile(const std::string& path, bool& tooLarge) {
  struct stat info {};
  bool missing = false;
  auto file = openRegular(path, O_RDONLY, info, &missing);
  if (missing) return std::optional<std::string>();
  if (!file) return failure(file.error());
  if (static_cast<std::uint64_t>(info.st_size) > kMaxDomainBytes) {
    tooLarge = true;
    return std::optional<std::string>(std::string());
  }
  auto bytes = readAll(*file, path, kMaxDomainBytes);
  if (!bytes) return failure(bytes.error());
  return std::optional<std::string>(std::move(*bytes));
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A domain file as read: its top-level entries, each still in the file's own
// form, so that values nobody here understands (dates, text that is not
// UTF-8, repeated keys, nesting of any depth) are written back unchanged.
struct Contents {
  struct Entry {
    std::uint64_t keyRef;
    std::optional<std::string> key;  // nullopt when the key is not text
    std::uint64_t valueRef;
  };
  std::string bytes;
  std::optional<bplist::Reader> reader;
  std::vector<Entry> entries;
  // Why the file could not be taken as a domain; empty when it could.
  std::string damage;

  bool holds(const std::string& key) const {
    return std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return e.key == key; });
  }
};

void parseContents(Contents& contents, PropertyListCoder& coder) {
  auto reader = bplist::Reader::open(bytesOf(contents.bytes));
  if (!reader) {
    // A hand-written XML domain is taken over as its binary equivalent.
    auto decoded = coder.decode(bytesOf(contents.bytes));
    if (!decoded) {
      contents.damage = decoded.error();
      return;
    }
    auto binary = coder.encode(*decoded);
    if (!binary) {
      contents.damage = binary.error();
      return;
    }
    contents.bytes.assign(binary->begin(), binary->end());
    reader = bplist::Reader::open(bytesOf(contents.bytes));
    if (!reader) {
      contents.damage = reader.error();
      return;
    }
  }
  auto top = reader->object(reader->top());
  if (!top) {
    contents.damage = top.error();
    return;
  }
  if (top->kind != bplist::kDictionary) {
    contents.damage = "the top level is not a dictionary";
    return;
  }
  const std::size_t n = top->refs.size() / 2;
  contents.entries.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    auto key = reader->object(top->refs[i]);
    std::optional<std::string> text = key ? bplist::stringOf(*key) : std::nullopt;
    contents.entries.push_back({top->refs[i], std::move(text), top->refs[n + i]});
  }
  contents.reader = std::move(*reader);
}

class LinuxUserDefaultsDomain final : public UserDefaultsDomain {
 public:
  LinuxUserDefaultsDomain(PropertyListCoder& coder, Result<std::string> directory,
                          const std::string& suite)
      : coder_(coder), directory_(std::move(directory)) {
    if (directory_) {
      path_ = *directory_ + "/" + suite + ".plist";
      lockPath_ = path_ + ".lock";
      newPath_ = *directory_ + "/." + suite + ".plist.new";
    }
  }

  std::optional<PlistValue> value(const std::string& key) override {
    auto found = read(key);
    if (!found) return std::nullopt;
    return std::move(*found);
  }

  Result<std::optional<PlistValue>> read(const std::string& key) override {
    auto loaded = loadForReading();
    if (!loaded) return failure(loaded.error());
    const Contents& contents = **loaded;
    if (!contents.damage.empty()) {
      return failure("cannot read " + path_ + ": " + contents.damage);
    }
    // The last of repeated keys wins, as for every other reader of the format.
    for (auto it = contents.entries.rbegin(); it != contents.entries.rend(); ++it) {
      if (it->key != key) continue;
      auto decoded = bplist::toValue(*contents.reader, it->valueRef);
      if (!decoded) return failure("cannot read \"" + key + "\" in " + path_ + ": " + decoded.error());
      return std::optional<PlistValue>(std::move(*decoded));
    }
    return std::optional<PlistValue>();
  }

  Status setValue(const std::string& key, const PlistValue& value) override {
    return change(key, &value);
  }

  Status removeValue(const std::string& key) override { return change(key, nullptr); }

 private:
  // A client reading several keys at once reads and parses the file once,
  // while it stays the same file. Only for a moment: a writer that ignores
  // the lock and rewrites the file in place within the file system's clock
  // tick leaves its size and times as they were.
  Result<std::shared_ptr<const Contents>> loadForReading() {
    struct stat info {};
    const bool known = ::stat(path_.c_str(), &info) == 0;
    const auto now = std::chrono::steady_clock::now();
    if (known && lastRead_ && sameFile(info, lastRead_->file) && now - lastRead_->at < kReadBurst) {
      return lastRead_->contents;
    }
    lastRead_.reset();
    auto contents = load();
    if (!contents) return failure(contents.error());
    auto shared = std::make_shared<const Contents>(std::move(*contents));
    if (known && shared->bytes.size() <= kMaxKeptForReading) lastRead_ = LastRead{info, now, shared};
    return shared;
  }

  Result<Contents> load() {
    if (!directory_) return failure(directory_.error());
    bool tooLarge = false;
    auto bytes = readDomainFile(path_, tooLarge);
    if (!bytes) return failure(bytes.error());
    Contents contents;
    if (tooLarge) {
      contents.damage = "larger than " + std::to_string(kMaxDomainBytes) + " bytes";
    } else if (*bytes) {
      contents.bytes = std::move(**bytes);
      parseContents(contents, coder_);
    }
    return contents;
  }

  // Read-modify-write under the lock: every entry but key is carried over as
  // it is, key is set to value or, without one, removed. A file that is not a
  // domain at all holds nothing to carry and is replaced.
  Status change(const std::string& key, const PlistValue* value) {
    if (!directory_) return failure(directory_.error());
    // An answer equal to the one the file holds needs no new file, nor the
    // lock: a writer holding it now carries the value over. Under a flood of
    // requests, and for a sampler whose readings stay, most answers are.
    if (value && written_ && stillAsWritten() && isWritten(key, *value)) return {};
    struct stat info {};
    bool missing = false;
    auto lock = openRegular(lockPath_, O_RDWR | O_CREAT, info, &missing);
    if (missing && makeDirectories(*directory_)) {
      lock = openRegular(lockPath_, O_RDWR | O_CREAT, info, &missing);
    }
    if (!lock) return failure(lock.error());
    while (::flock(lock->get(), LOCK_EX) != 0) {
      if (errno != EINTR) return failed("cannot lock", lockPath_);
    }
    // Left by a writer killed between naming its file and renaming it. Only
    // writers make it, under the lock, so it is not in use. Nothing else is
    // touched: a name that merely looks like a temporary file (a user's
    // ".<suite>.plist.backup") is not ours.
    ::unlink(newPath_.c_str());
    // Checked again under the lock, for a value first written now.
    const bool known = stillAsWritten();
    if (known && value && isWritten(key, *value)) return {};
    auto contents = load();
    if (!contents) return failure(contents.error());
    if (!value && !contents->holds(key)) return {};

    bplist::Writer writer;
    std::optional<bplist::Copier> copier;  // there is something to copy only from a reader
    if (contents->reader) copier.emplace(*contents->reader, writer, kMaxDomainBytes);
    const std::string tooLarge = "cannot store \"" + key + "\": the store would exceed " +
                                 std::to_string(kMaxDomainBytes) + " bytes";
    std::vector<std::uint64_t> keys;
    std::vector<std::uint64_t> values;
    bool placed = false;
    auto place = [&]() -> Status {
      placed = true;
      if (!value) return {};
      auto encoded = bplist::addValue(writer, *value);
      if (!encoded) return failure("cannot encode \"" + key + "\": " + encoded.error());
      keys.push_back(writer.addString(key));
      values.push_back(*encoded);
      return {};
    };
    for (const auto& entry : contents->entries) {
      if (entry.key == key) {
        if (!placed) {
          if (Status s = place(); !s) return s;
        }
        continue;
      }
      const std::uint64_t roots[] = {entry.keyRef, entry.valueRef};
      // An entry too broken to copy is unreadable to everyone; it alone goes.
      if (auto copied = copier->copy(roots)) {
        keys.push_back((*copied)[0]);
        values.push_back((*copied)[1]);
      } else if (copier->overLimit()) {
        return failure(tooLarge);
      }
    }
    if (!placed) {
      if (Status s = place(); !s) return s;
    }
    keys.insert(keys.end(), values.begin(), values.end());
    const std::uint64_t top = writer.addContainer(bplist::kDictionary, keys);
    if (writer.size() > kMaxDomainBytes) return failure(tooLarge);
    // The lock goes with its descriptor, after the rename is done.
    Status replaced = replaceFile(writer.finish(top));
    remember(replaced, known, key, value);
    return replaced;
  }

  // Whether the file is still the one this object wrote last, so that what
  // it remembers of its values holds; forgets them when not. Another writer
  // replaces the file (a new inode) or changes it (a new size or time).
  bool stillAsWritten() {
    struct stat info {};
    if (written_ && ::stat(path_.c_str(), &info) == 0 && sameFile(info, written_->file)) return true;
    written_.reset();
    return false;
  }

  bool isWritten(const std::string& key, const PlistValue& value) const {
    auto it = written_->values.find(key);
    return it != written_->values.end() && it->second == value;
  }

  void remember(const Status& replaced, bool known, const std::string& key, const PlistValue* value) {
    struct stat info {};
    if (!replaced || ::stat(path_.c_str(), &info) != 0) {
      written_.reset();
      return;
    }
    if (!known) written_.emplace();
    written_->file = info;
    written_->values.erase(key);
    // Large lists are not worth their memory here; they are written anew.
    const auto* data = value ? value->get<PlistData>() : nullptr;
    if (data && data->size() <= kMaxRemembered) written_->values.emplace(key, *value);
  }

  static bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
  }

  // Writes bytes to a new file, closes it and renames it over the domain:
  // readers see the old file or the new one, never a part, and a write-back
  // error that only close reports (NFS, FUSE) fails the write instead of
  // leaving a short file in the domain's place. The file is unnamed
  // (O_TMPFILE) until it is whole, named through /proc, so that a crash
  // mid-write leaves nothing; where either is missing, it is made under its
  // name. A crash leaves at most that name, which the next writer removes
  // under the lock. No fsync: the file caches the last answer, which the
  // next request re-samples, and a power loss may at worst lose that answer.
  Status replaceFile(const PlistData& bytes) {
    if (!namedOnly_) {
      FileDescriptor file(::open(directory_->c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
      if (file.valid()) {
        if (Status s = writeAll(file, newPath_, bytes); !s) return s;
        const std::string proc = "/proc/self/fd/" + std::to_string(file.get());
        if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, newPath_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
          return closeAndRename(file);
        }
      }
      // No unnamed files here, or no way to name one: no /proc in a sandbox,
      // some FUSE file systems.
      namedOnly_ = true;
    }
    FileDescriptor file(::open(newPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid()) return failed("cannot create", newPath_);
    if (Status s = writeAll(file, newPath_, bytes); !s) {
      ::unlink(newPath_.c_str());
      return s;
    }
    return closeAndRename(file);
  }

  Status closeAndRename(FileDescriptor& file) {
    Status result;
    if (!file.close()) {
      result = failed("cannot write", newPath_);
    } else if (::rename(newPath_.c_str(), path_.c_str()) != 0) {
      result = failed("cannot replace", path_);
    }
    if (!result) ::unlink(newPath_.c_str());
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
    return {};
  }

  PropertyListCoder& coder_;
  Result<std::string> directory_;
  std::string path_;
  std::string lockPath_;
  std::string newPath_;
  // Set once unnamed files have failed in this directory.
  bool namedOnly_ = false;
  static constexpr std::size_t kMaxRemembered = 64 << 10;
  static constexpr std::size_t kMaxKeptForReading = 4 << 20;
  static constexpr auto kReadBurst = std::chrono::milliseconds(100);
  struct LastRead {
    struct stat file;
    std::chrono::steady_clock::time_point at;
    std::shared_ptr<const Contents> contents;
  };
  std::optional<LastRead> lastRead_;
  struct Written {
    struct stat file {};
    std::map<std::string, PlistValue> values;
  };
  std::optional<Written> written_;
};

class LinuxUserDefaults final : public UserDefaults {
 public:
  explicit LinuxUserDefaults(PropertyListCoder& coder) : coder_(coder) {}

  std::unique_ptr<UserDefaultsDomain> openSuite(const std::string& suite) override {
    if (!isValidSuiteName(suite)) return nullptr;
    // Without a usable directory the domain still opens; each operation then
    // fails and says why, and works once the directory can be made.
    auto directory = configDirectory();
    if (directory) (void)makeDirectories(*directory);
    return std::make_unique<LinuxUserDefaultsDomain>(coder_, std::move(directory), suite);
  }

 private:
  PropertyListCoder& coder_;
};

}  // namespace

std::unique_ptr<UserDefaults> newLinuxUserDefaults(PropertyListCoder& coder) {
  return std::make_unique<LinuxUserDefaults>(coder);
}

}  // namespace tellwick::os
