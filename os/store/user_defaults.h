#ifndef TELLWICK_OS_STORE_USER_DEFAULTS_H_
#define TELLWICK_OS_STORE_USER_DEFAULTS_H_

#include <memory>
#include <optional>
#include <string>

#include "os/result.h"
#include "os/store/property_list.h"

namespace tellwick::os {

class PropertyListCoder;

// One preferences domain: a named set of keys and values shared by every
// process of the user that opens the same suite. A change is visible to
// other processes once the call that made it has returned; concurrent
// changes of different keys from different processes are all kept.
// Methods may be called from any thread.
class UserDefaultsDomain {
 public:
  UserDefaultsDomain() = default;
  UserDefaultsDomain(const UserDefaultsDomain&) = delete;
  UserDefaultsDomain& operator=(const UserDefaultsDomain&) = delete;
  virtual ~UserDefaultsDomain() = default;

  // The value stored under key; nullopt when there is none, and also when the
  // domain or the value cannot be read.
  virtual std::optional<PlistValue> value(const std::string& key) = 0;

  // The value stored under key, nullopt when there is none; fails, saying
  // why, when the domain cannot be read, is damaged, or holds under key a
  // value that cannot be decoded.
  virtual Result<std::optional<PlistValue>> read(const std::string& key) = 0;

  // Replaces whatever is stored under key; every other key, and whatever it
  // holds, stays as it was. A domain too damaged to hold any key is replaced
  // by a new one holding only this key. On failure nothing changes and the
  // status says why.
  virtual Status setValue(const std::string& key, const PlistValue& value) = 0;

  // Removes key; ok when the key was not there. On failure nothing changes.
  virtual Status removeValue(const std::string& key) = 0;
};

// Opens preferences domains by suite name.
class UserDefaults {
 public:
  UserDefaults() = default;
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;
  virtual ~UserDefaults() = default;

  // The domain of suite, owned by the caller; nullptr when the platform
  // refuses the name (empty, ".", ".." or containing '/'). Any thread.
  virtual std::unique_ptr<UserDefaultsDomain> openSuite(const std::string& suite) = 0;
};

// The data blob stored under key; nullopt when key is missing or holds
// anything other than data.
std::optional<PlistData> dataForKey(UserDefaultsDomain& domain, const std::string& key);

inline Status setData(UserDefaultsDomain& domain, const std::string& key, PlistData data) {
  return domain.setValue(key, PlistValue(std::move(data)));
}

// Whether suite can name a domain at all (see UserDefaults::openSuite).
bool isValidSuiteName(const std::string& suite);

// Domains kept as files: ${XDG_CONFIG_HOME:-$HOME/.config}/<suite>.plist, a
// binary property list whose top level is a dictionary. A write replaces the
// file atomically under an advisory lock (<suite>.plist.lock), without fsync:
// a crash leaves the old file or the new one, a power loss may lose the last
// write. The directory is resolved and created (mode 0700) when a suite is
// opened, and again by a write that finds it missing; without
// XDG_CONFIG_HOME and HOME, or when it cannot be made, every operation fails
// and says why. coder reads XML domains and must outlive the object and
// every domain it opens.
std::unique_ptr<UserDefaults> newLinuxUserDefaults(PropertyListCoder& coder);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_STORE_USER_DEFAULTS_H_
