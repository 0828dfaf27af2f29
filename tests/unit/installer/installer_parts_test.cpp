#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "installer/install_log.h"
#include "installer/install_parameters.h"
#include "installer/installer_command_line.h"
#include "installer/progress_channel.h"

namespace skyloom {
namespace {

TEST(InstallerCommandLine, SwitchMustEndTheLineAndCaseIsIgnored) {
  EXPECT_EQ(installerMode("C:\\setup.exe"), InstallerMode::Install);
  EXPECT_EQ(installerMode("C:\\setup.exe /UNINSTALL"), InstallerMode::UninstallRequest);
  EXPECT_EQ(installerMode("\"C:\\Program Files\\T\\Uninstall.exe\" /uninstall"), InstallerMode::UninstallRequest);
  EXPECT_EQ(installerMode("C:\\Windows\\temp\\uninstallsecond.exe /uninstallsecond"), InstallerMode::Uninstall);
  EXPECT_EQ(installerMode("setup.exe /UninstallSecond  "), InstallerMode::Uninstall);
  EXPECT_EQ(installerMode("setup.exe /pack"), InstallerMode::Pack);
  EXPECT_EQ(installerMode("setup.exe /pack x"), InstallerMode::Install);
  EXPECT_EQ(installerMode("setup.exe /uninstall now"), InstallerMode::Install);
  EXPECT_EQ(installerMode("setup.exe /x /install"), InstallerMode::Install);
  // Scanning starts at the first '/': a switch word before it does not count.
  EXPECT_EQ(installerMode("pack"), InstallerMode::Install);
}

TEST(InstallParameters, VersionNumberReadsAllDigitsAsOneNumber) {
  EXPECT_EQ(versionNumberOf("1.2.3"), 123u);
  EXPECT_EQ(versionNumberOf("0.9"), 9u);
  EXPECT_EQ(versionNumberOf("beta"), 0u);
  EXPECT_EQ(versionNumberOf(""), 0u);
  EXPECT_EQ(versionNumberOf("4294967295"), 4294967295u);
  EXPECT_EQ(versionNumberOf("4294967296"), 4294967295u);  // saturates instead of wrapping
  EXPECT_EQ(versionNumberOf("99999999999.1"), 4294967295u);
}

TEST(InstallParameters, ReadsKeysAtLineStartsOnly) {
  const InstallParameters p = parseInstallParameters(
      "requirements:none\r\nsetscreensaver:1\r\nscreensaver:0\r\nTitle:Skyloom\r\nversion:2.0b\r\n"
      "startcommand:Skyloom.exe /s\r\nTitle:Other\r\n");
  ASSERT_TRUE(p.title.has_value());
  EXPECT_EQ(*p.title, "Skyloom");  // the first occurrence counts
  EXPECT_EQ(p.versionText, "2.0b");
  EXPECT_EQ(p.versionNumber, 20u);
  EXPECT_EQ(p.startCommand, "Skyloom.exe /s");
  EXPECT_FALSE(p.screenSaver);  // not taken from inside "setscreensaver:"
  EXPECT_TRUE(p.setScreenSaver);
  EXPECT_EQ(p.displayName(), "Skyloom 2.0b");
  EXPECT_EQ(p.screenSaverFileName(), "Skyloom.scr");
  EXPECT_EQ(p.programFileName(), "Skyloom.exe");

  const InstallParameters none = parseInstallParameters("version:1\r\n");
  EXPECT_FALSE(none.title.has_value());
  EXPECT_EQ(none.displayName(), "");
  EXPECT_EQ(findParameterValue("Title:A", "Title:").value_or("?"), "A");  // no line end at all
  EXPECT_FALSE(findParameterValue("Titles:A\r\n", "Title:").has_value());
}

TEST(InstallParameters, TitlesThatCannotNameAFolderAreRefused) {
  EXPECT_TRUE(isUsableTitle("Skyloom 2"));
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "C:", "x?", "trailing.", "trailing "}) {
    EXPECT_FALSE(isUsableTitle(bad)) << bad;
  }
  EXPECT_FALSE(isUsableTitle(std::string(256, 'a')));
}

TEST(InstallParameters, ShortcutLinesNeedFourFieldsAndSubstituteNames) {
  const std::string text =
      "Title:Sky\r\n"
      "workshortcut:$%appexe%$%TITLE% run$Runs %App% %other% 5%$/go$\r\n"
      "startmenu:$a$b$c$\r\n"  // three fields only
      "desktopicon:$x.exe$Desk$$$\r\n"
      "startmenu:$" +
      std::string(300, 'n') + "$L$d$a$\r\n";
  const auto lines = parseShortcutLines(text, "Sky", "Sky.exe");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].kind, ShortcutKind::Work);
  EXPECT_EQ(lines[0].target, "Sky.exe");
  EXPECT_EQ(lines[0].linkName, "Sky run");
  EXPECT_EQ(lines[0].description, "Runs Sky other 5%");
  EXPECT_EQ(lines[0].arguments, "/go");
  EXPECT_EQ(lines[1].kind, ShortcutKind::Desktop);
  EXPECT_EQ(lines[1].description, "");
  EXPECT_EQ(lines[2].kind, ShortcutKind::StartMenu);
  EXPECT_EQ(lines[2].target.size(), kInstallerTextLimit);
}

TEST(InstallLog, HeaderLinesAndCapacity) {
  InstallLog log;
  log.writeHeader("Sky", "1.0");
  EXPECT_EQ(log.text(), "Title:Sky\r\nversion:1.0\r\n");
  EXPECT_TRUE(log.writeCopiedFile("/abs/file"));
#ifdef _WIN32
  EXPECT_TRUE(log.writeMadeDirectory("C:\\abs"));
  EXPECT_NE(log.text().find("\r\nMakedir:C:\\abs\r\n"), std::string::npos);
#endif
  EXPECT_NE(log.text().find("Copyfile:"), std::string::npos);

  // A line goes in only while length + text + 3 stays below the capacity.
  InstallLog full;
  const std::string big(InstallLog::kCapacity - 10, 'x');
  ASSERT_TRUE(full.writeLine(big));       // length now capacity - 8
  EXPECT_FALSE(full.writeLine("abcde"));  // 8 + 5 + 3 ... reaches the capacity
  EXPECT_TRUE(full.writeLine("abcd"));
  EXPECT_EQ(full.text().size(), InstallLog::kCapacity - 2);
}

TEST(InstallLog, RelativeNamesArePrefixedWithTheCurrentDirectory) {
  InstallLog log;
  log.writeCopiedFile("name.txt");
  const std::string line = log.text();
  EXPECT_EQ(line.rfind("Copyfile:", 0), 0u);
  EXPECT_NE(line.find("name.txt\r\n"), std::string::npos);
  EXPECT_GT(line.size(), std::string("Copyfile:name.txt\r\n").size());
}

TEST(ProgressChannel, StoresHundredthsAndAnswersMinusOneWhileLocked) {
  ProgressChannel channel;
  EXPECT_EQ(channel.read(), 0);
  channel.publish(0.5f);
  EXPECT_EQ(channel.read(), 50);
  channel.publish(ProgressChannel::kFinished);
  EXPECT_GE(channel.read(), ProgressChannel::kFinishedValue);
  channel.publish(0.25f);
  {
    auto held = channel.hold();
    int seen = 0;
    std::thread peer([&] {
      channel.publish(0.75f);  // dropped after its 50 ms wait
      seen = channel.read();
    });
    peer.join();
    EXPECT_EQ(seen, -1);
  }
  EXPECT_EQ(channel.read(), 25);
}

}  // namespace
}  // namespace skyloom
