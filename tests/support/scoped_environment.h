#ifndef TELLWICK_TESTS_SUPPORT_SCOPED_ENVIRONMENT_H_
#define TELLWICK_TESTS_SUPPORT_SCOPED_ENVIRONMENT_H_

#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace tellwick::testing {

// This process's environment, as a program's main hands it on to the tools
// it starts (see Shell::environmentOf).
inline std::vector<std::string> environmentSnapshot() {
  std::vector<std::string> entries;
  for (char** e = ::environ; e && *e; ++e) entries.emplace_back(*e);
  return entries;
}

// Sets (or, given nullopt, removes) one variable of this process's
// environment for the life of the object; restores what was there before,
// absence included.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* old = ::getenv(name_.c_str())) old_ = old;
    set(value);
  }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
  ~ScopedEnvironmentVariable() { set(old_); }

 private:
  void set(const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }

  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_SCOPED_ENVIRONMENT_H_
