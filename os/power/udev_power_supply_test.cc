// The power_supply attributes and their figures, over files in a scratch
// folder laid out as the kernel lays out a battery's.

#include "os/power/udev_power_supply.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/scratch_directory.h"

namespace tellwick::os::udev_power {
namespace {

std::string text(const std::optional<std::int64_t>& value) {
  return value ? std::to_string(*value) : "-";
}

// "percent health mA full-mAh minutes-to-full minutes-to-empty temp date condition".
std::string figures(const Supply& s) {
  return text(percentCharged(s)) + " " + text(percentOfDesign(s)) + " " + text(amperageMa(s)) +
         " " + text(fullCapacityMah(s)) + " " + std::to_string(minutesToFull(s)) + " " +
         std::to_string(minutesToEmpty(s)) + " " + text(s.temp) + " " +
         text(packedManufactureDate(s)) + " " + healthText(s).value_or("-");
}

// Each row changes one attribute of a battery charging at 1 A from 2 of its
// 4 Ah (5 Ah new), at 30.0 °C, made 2022-02-05: a value beyond what a
// battery can be, or one that cannot be read (EIO as from a battery being
// pulled, a folder, a FIFO), costs what is built from it and nothing else.
TEST(PowerSupply, AnUnreadableOrAbsurdAttributeCostsOnlyItself) {
  const std::pair<const char*, const char*> battery[] = {
      {"status", "Charging"},         {"capacity", "50"},           {"charge_now", "2000000"},
      {"charge_full", "4000000"},     {"charge_full_design", "5000000"},
      {"current_now", "1000000"},     {"temp", "300"},              {"manufacture_year", "2022"},
      {"manufacture_month", "2"},     {"manufacture_day", "5"}};
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"status", "Charging", "50 80 1000 4000 120 -1 300 21573 Good"},
      {"temp", "9223372036854775807", "50 80 1000 4000 120 -1 - 21573 Good"},
      {"current_now", "-9223372036854775808", "50 80 - 4000 -1 -1 300 21573 Good"},
      {"charge_now", "-2000000", "50 80 1000 4000 -1 -1 300 21573 Good"},
      {"charge_full", "99999999999999999", "50 - 1000 - -1 -1 300 21573 -"},
      {"charge_full_design", "1000000000", "50 0 1000 4000 120 -1 300 21573 Poor"},  // 1000 Ah, the most there is
      {"capacity", "250", "50 80 1000 4000 120 -1 300 21573 Good"},
      {"capacity", "0", "0 80 1000 4000 120 -1 300 21573 Good"},
      {"charge_full", "6000000", "50 100 1000 6000 240 -1 300 21573 Good"},
      {"manufacture_year", "-9223372036854775808", "50 80 1000 4000 120 -1 300 - Good"},
      {"status", "Discharging", "50 80 -1000 4000 -1 120 300 21573 Good"},
      {"status", "Not charging", "50 80 1000 4000 -1 -1 300 21573 Good"},
      {"charge_full_design", "EIO", "50 - 1000 4000 120 -1 300 21573 -"},
      {"temp", "folder", "50 80 1000 4000 120 -1 - 21573 Good"},
      {"status", "FIFO", "50 80 1000 4000 -1 -1 300 21573 Good"},
  };
  for (const auto& [attribute, value, expected] : cases) {
    SCOPED_TRACE(std::string(attribute) + "=" + value);
    testing::ScratchDirectory folder;
    for (const auto& [name, content] : battery) folder.writeFile(name, std::string(content) + "\n");
    const auto file = folder.path() / attribute;
    std::filesystem::remove(file);
    if (value == std::string_view("EIO")) {
      // Reads of this process's memory at address 0 fail with EIO.
      std::filesystem::create_symlink("/proc/self/mem", file);
    } else if (value == std::string_view("folder")) {
      std::filesystem::create_directory(file);
    } else if (value == std::string_view("FIFO")) {
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    } else {
      folder.writeFile(attribute, value);
    }
    EXPECT_EQ(figures(readSupply(folder.string())), expected);
  }
}

// The rest of the rules for several batteries are judged against UPower on
// the trees of tests/upower_referee_test.cc; no tree holds two full ones.
TEST(PowerSupply, BatteriesAreFullOnlyTogether) {
  Supply first, second;
  first.status = second.status = "Full";
  EXPECT_EQ(combined({first, second}).status, "Full");
}

}  // namespace
}  // namespace tellwick::os::udev_power
