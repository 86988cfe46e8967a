#include "platform/desktop_entry.h"

#include <gtest/gtest.h>

namespace tellwick {
namespace {

TEST(DesktopEntryTest, ParsesTheDesktopEntryGroupOrNothing) {
  const struct {
    const char* what;
    std::string text;
    std::optional<DesktopEntry> expected;
  } cases[] = {
      {"plain", "[Desktop Entry]\nType=Application\nExec=/bin/x\n",
       DesktopEntry{{"Exec", "/bin/x"}, {"Type", "Application"}}},
      {"comments, blanks, spaces, CRLF, locales",
       "# c\n\n[Desktop Entry]\r\nName = A b \r\nName[de]=C\n#x\n",
       DesktopEntry{{"Name", "A b"}, {"Name[de]", "C"}}},
      {"later groups ignored", "[Desktop Entry]\nHidden=false\n[Desktop Action x]\nHidden=true\n",
       DesktopEntry{{"Hidden", "false"}}},
      {"empty group", "[Desktop Entry]\n", DesktopEntry{}}, {"empty", "", std::nullopt},
      {"another group first", "[Other]\nA=b\n[Desktop Entry]\nType=Application\n", std::nullopt},
      {"key before any group", "Type=Application\n[Desktop Entry]\n", std::nullopt},
      {"line without =", "[Desktop Entry]\nType Application\n", std::nullopt},
      {"bad key", "[Desktop Entry]\nTy pe=x\n", std::nullopt}, {"unclosed group", "[Desktop Entry\nType=x\n", std::nullopt},
      {"not UTF-8", "[Desktop Entry]\nName=\xff\n", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseDesktopEntry(c.text), c.expected) << c.what;
}

TEST(DesktopEntryTest, ExecValuesQuoteAndEscapeAsTheFormatRequires) {
  const struct {
    std::string_view program;
    std::optional<std::string> value;
  } cases[] = {
      {"/usr/bin/tellwick", "/usr/bin/tellwick"}, {"/opt/my apps/tellwick", "\"/opt/my apps/tellwick\""},
      {"/opt/a\"b$c`d\\e/tellwick", R"("/opt/a\\"b\\$c\\`d\\\\e/tellwick")"},
      {"/opt/100%/tellwick", "/opt/100%%/tellwick"}, {"/opt/x;y/t", "\"/opt/x;y/t\""},
      {"tellwick", std::nullopt}, {"", std::nullopt}, {"/opt/a\nb", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(execValue(c.program), c.value) << c.program;
}

TEST(DesktopEntryTest, FoldersFollowTheBaseDirectoryRules) {
  const struct {
    std::map<std::string, std::string> environment;
    std::string user;
    std::vector<std::string> system;
    std::string units;
  } cases[] = {
      {{{"HOME", "/home/u"}}, "/home/u/.config/autostart", {"/etc/xdg/autostart"}, "/home/u/.config/systemd/user"},
      {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_CONFIG_DIRS", "/a:/b/:relative::/"}},
       "/c/autostart", {"/a/autostart", "/b/autostart", "/autostart"}, "/c/systemd/user"},
      {{{"XDG_CONFIG_HOME", "relative"}}, "", {"/etc/xdg/autostart"}, ""},
  };
  for (const auto& c : cases) {
    auto lookup = [&](const char* name) -> std::optional<std::string> {
      return c.environment.contains(name) ? std::optional(c.environment.at(name)) : std::nullopt;
    };
    auto folders = autoStartFolders(lookup);
    EXPECT_EQ(folders.user, c.user);
    EXPECT_EQ(folders.system, c.system);
    EXPECT_EQ(userUnitFolder(lookup), c.units);
  }
}

}  // namespace
}  // namespace tellwick
