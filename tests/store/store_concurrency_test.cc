// Two real processes write the same domain at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "tests/support/scratch_config_home.h"

namespace tellwick {
namespace {

constexpr char kSuite[] = "group.test.concurrency";
constexpr int kWritesPerProcess = 500;

std::string keyFor(char writer, int i) { return std::string(1, writer) + std::to_string(i); }
os::PlistData valueFor(int i) { return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)}; }

// Writes kWritesPerProcess keys of its own; the exit status says whether
// every write reported success.
[[noreturn]] void writer(char name) {
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  auto domain = defaults->openSuite(kSuite);
  int failures = domain ? 0 : 1;
  for (int i = 0; domain && i < kWritesPerProcess; ++i) {
    if (!os::setData(*domain, keyFor(name, i), valueFor(i)).ok()) ++failures;
  }
  ::_exit(failures == 0 ? 0 : 1);
}

TEST(StoreConcurrencyTest, TwoProcessesWritingDifferentKeysLoseNothingAndNeverShowAPartialFile) {
  testing::ScratchConfigHome home;
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  auto domain = defaults->openSuite(kSuite);
  ASSERT_TRUE(domain);

  pid_t children[2];
  for (int i = 0; i < 2; ++i) {
    children[i] = ::fork();
    ASSERT_GE(children[i], 0);
    if (children[i] == 0) writer(i == 0 ? 'a' : 'b');
  }

  // Read the file directly while they write: every version that exists must
  // be a whole dictionary.
  int reads = 0;
  int torn = 0;
  int statuses[2] = {-1, -1};
  for (bool busy = true; busy;) {
    busy = false;
    for (int i = 0; i < 2; ++i) {
      // The status is stored only once the child has ended.
      if (statuses[i] == -1 && ::waitpid(children[i], &statuses[i], WNOHANG) != children[i]) busy = true;
    }
    std::ifstream in(home.domainFile(kSuite), std::ios::binary);
    if (!in) continue;
    os::PlistData bytes{std::istreambuf_iterator<char>(in), {}};
    ++reads;
    auto decoded = coder->decode(bytes);
    if (!decoded || !decoded->is<os::PlistDictionary>()) ++torn;
  }

  for (int status : statuses) {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  for (char name : {'a', 'b'}) {
    for (int i = 0; i < kWritesPerProcess; ++i) {
      ASSERT_EQ(os::dataForKey(*domain, keyFor(name, i)), valueFor(i)) << keyFor(name, i);
    }
  }
}

}  // namespace
}  // namespace tellwick
