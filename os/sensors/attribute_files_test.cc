#include "os/sensors/attribute_files.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/scratch_directory.h"

namespace tellwick::os {
namespace {

// A kept file is read afresh each time, as a driver rewrites the value in
// place; what cannot be read is not kept; chips that came or went close
// every kept file; past the limit, files are read without being kept.
TEST(AttributeFilesTest, KeptFilesReadTheirValueAfreshEveryTime) {
  testing::ScratchDirectory dir("attributes");
  const std::string fan = dir.writeFile("fan1_input", "1200\n").string();
  const std::string temp = dir.writeFile("temp1_input", "41000").string();
  const std::string tooLong = dir.writeFile("temp2_input", std::string(4097, '7')).string();
  AttributeFiles files(2);
  files.forgetUnless(0);

  EXPECT_EQ(files.read(fan), "1200");
  std::ofstream(fan) << "1350\n";
  EXPECT_EQ(files.read(fan), "1350");
  std::ofstream(fan) << "9\n";
  EXPECT_EQ(files.read(fan), "9") << "a shorter value leaves nothing of the longer one";
  EXPECT_EQ(files.read(tooLong), std::nullopt);
  EXPECT_EQ(files.read(dir.string() + "/missing"), std::nullopt);
  EXPECT_EQ(files.kept(), 1u);

  // What is kept is the file, not its name: a file put in its place (a chip
  // that came back) is read once the chips have changed.
  std::filesystem::rename(dir.writeFile("new", "1500\n"), fan);
  files.forgetUnless(0);
  EXPECT_EQ(files.read(fan), "9");
  files.forgetUnless(1);
  EXPECT_EQ(files.kept(), 0u);
  EXPECT_EQ(files.read(fan), "1500");
  std::filesystem::remove(fan);
  files.forgetUnless(2);
  EXPECT_EQ(files.read(fan), std::nullopt);

  const std::string third = dir.writeFile("fan2_input", "800\n").string();
  dir.writeFile("fan1_input", "1400\n");
  EXPECT_EQ(files.read(fan), "1400");
  EXPECT_EQ(files.read(temp), "41000");
  EXPECT_EQ(files.read(third), "800");
  EXPECT_EQ(files.kept(), 2u);
  std::ofstream(third) << "850\n";
  EXPECT_EQ(files.read(third), "850");
}

// The premise, on the kernel's own sysfs: a read from offset 0 of a file
// kept open gives the value as it is now.
TEST(AttributeFilesTest, SysfsGivesAKeptFileItsValueAfresh) {
  const std::string rxBytes = "/sys/class/net/lo/statistics/rx_bytes";
  if (!std::filesystem::exists(rxBytes)) GTEST_SKIP() << "no " << rxBytes;
  AttributeFiles files;
  auto before = files.read(rxBytes);
  ASSERT_TRUE(before.has_value());
  int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in discard{};
  discard.sin_family = AF_INET;
  discard.sin_port = htons(9);
  discard.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const char bytes[100] = {};
  const bool sent =
      ::sendto(udp, bytes, sizeof bytes, 0, reinterpret_cast<const sockaddr*>(&discard),
               sizeof discard) == static_cast<ssize_t>(sizeof bytes);
  ::close(udp);
  if (!sent) GTEST_SKIP() << "loopback is down";
  EXPECT_EQ(files.kept(), 1u);
  EXPECT_NE(files.read(rxBytes), before);
}

}  // namespace
}  // namespace tellwick::os
