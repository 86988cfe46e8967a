#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "os/desktop/desktop.h"

namespace tellwick::os {
namespace {

std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!rest.empty()) {
    auto colon = rest.find(':');
    std::string folder(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (folder.empty()) continue;  // never the current folder
    std::string candidate = folder + "/" + program;
    struct stat info;
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

class XdgDesktop final : public Desktop {
 public:
  Status open(const std::string& target) override {
    std::string opener = findOnPath("xdg-open");
    if (opener.empty()) return failure("cannot open " + target + ": xdg-open is not on PATH");
    int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return failure(errnoMessage("cannot open /dev/null", errno));
    std::vector<char*> argv = {opener.data(), const_cast<char*>(target.c_str()), nullptr};
    // Twice forked, so the opener is nobody's child here: it is never left
    // as a zombie of a long-running caller and never waited for.
    pid_t child = ::fork();
    if (child == 0) {
      ::setsid();
      if (::fork() == 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::execve(argv[0], argv.data(), ::environ);
        ::_exit(127);
      }
      ::_exit(0);
    }
    int saved = errno;
    ::close(null);
    if (child < 0) return failure(errnoMessage("cannot start xdg-open", saved));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return {};
  }
};

}  // namespace

std::unique_ptr<Desktop> newLinuxDesktop() { return std::make_unique<XdgDesktop>(); }

}  // namespace tellwick::os
