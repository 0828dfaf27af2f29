#include "installer/installation.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/paths.h"
#include "installer/install_parameters.h"
#include "installer/pack_building.h"
#include "installer/shell_services.h"
#include "installer/uninstallation.h"
#include "platform/registry/registry_memory.h"
#include "resources/pack.h"
#include "resources/pack_test_util.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

const std::string kImage = "MZ-installer-image-bytes";
const std::string kParameters =
    "Title:T\r\nversion:1.2.3\r\nstartcommand:T.exe\r\nscreensaver:1\r\nsetscreensaver:1\r\n"
    "requirements:none\r\n"
    "workshortcut:$%appexe%$%Title% run$Runs %app%$/go$\r\n"
    "startmenu:$T.exe$Menu %app%$d$$\r\n"
    "desktopicon:$T.exe$Desk$d$a$\r\n";

// Records what the installer asks of the shell; a "shortcut" is an empty file at its path.
class RecordingShell : public ShellServices {
 public:
  explicit RecordingShell(const fs::path& root)
      : windows_((root / "windows").string()),
        programs_((root / "programs").string()),
        desktop_((root / "desktop").string()),
        temp_((root / "windows" / "temp").string()) {
    for (const auto& d : {windows_, programs_, desktop_, temp_}) fs::create_directories(d);
  }
  bool createShortcut(const std::string& target, const std::string& link, const std::string& description,
                      const std::string& arguments, const std::string& workingDirectory) override {
    shortcuts.push_back({target, link, description, arguments, workingDirectory});
    writeFile(link, "");
    return true;
  }
  bool startProcess(const std::string& commandLine) override {
    processes.push_back(commandLine);
    return true;
  }
  std::string windowsDirectory() override { return windows_; }
  std::string programsFolder() override { return programs_; }
  std::string desktopFolder() override { return desktop_; }
  std::string temporaryFolder() override { return temp_; }

  std::vector<std::vector<std::string>> shortcuts;
  std::vector<std::string> processes;

 private:
  std::string windows_, programs_, desktop_, temp_;
};

// A registry whose HKEY_LOCAL_MACHINE refuses everything, as for a user without rights.
class UserOnlyRegistry final : public Registry {
 protected:
  HResult openRoot(RegistryRoot root, std::unique_ptr<RegistryKey>& out) override {
    if (root == RegistryRoot::LocalMachine) return kAccessDenied;
    return inner_.openKey(root, "", RegistryAccess::ReadWrite, out);
  }

 private:
  MemoryRegistry inner_;
};

void dumpKey(RegistryKey& key, const std::string& path, std::map<std::string, std::string>& out) {
  out[path] = "<key>";
  std::vector<RegistryValueInfo> values;
  key.enumerateValues(values);
  for (const auto& v : values) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    key.queryValue(v.name, type, data);
    out[path + "@" + v.name] = std::to_string(type) + ":" + std::string(data.begin(), data.end());
  }
  std::vector<std::string> subkeys;
  key.enumerateSubkeys(subkeys);
  for (const auto& name : subkeys) {
    std::unique_ptr<RegistryKey> sub;
    if (succeeded(key.openKey(name, RegistryAccess::Read, sub))) dumpKey(*sub, path + "\\" + name, out);
  }
}

std::map<std::string, std::string> dumpRegistry(Registry& registry) {
  std::map<std::string, std::string> out;
  for (auto root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
    std::unique_ptr<RegistryKey> key;
    if (succeeded(registry.openKey(root, "", RegistryAccess::Read, key))) {
      dumpKey(*key, root == RegistryRoot::CurrentUser ? "HKCU" : "HKLM", out);
    }
  }
  return out;
}

std::map<std::string, std::string> dumpTree(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    out[fs::relative(e.path(), root).generic_string()] = e.is_directory() ? "<dir>" : readFile(e.path());
  }
  return out;
}

std::vector<std::string> logLines(const std::string& log) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(log.substr(start, end - start));
  }
  EXPECT_EQ(start, log.size()) << "the log ends with CR LF";
  return lines;
}

// An installer in a scratch folder: the image followed by a pack of the product "T".
class InstallerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path product = scratch_.path() / "staging" / "T";
    writeFile(product / "installparam.txt", kParameters);
    writeFile(product / "license.txt", "licence");
    writeFile(product / "T.exe", "program");
    writeFile(product / "data" / "a.bin", "data");
    {
      Pack builder(Pack::Flavour::Installer);
      ASSERT_GT(builder.build(product.string().c_str()), 0u);
      ASSERT_GT(builder.write((scratch_.path() / "t.pck").string().c_str()), 0u);
    }
    installerPath_ = (scratch_.path() / "setup.exe").string();
    writeFile(installerPath_, kImage + readFile(scratch_.path() / "t.pck"));
    fs::remove_all(scratch_.path() / "staging");
    fs::remove(scratch_.path() / "t.pck");
    shell_ = std::make_unique<RecordingShell>(scratch_.path());
    ASSERT_GT(pack_.open(installerPath_.c_str()), 0u);
    parameters_ = readInstallParameters(pack_);
    ASSERT_EQ(parameters_.title.value_or(""), "T");
    choices_.installDirectory = (scratch_.path() / "G").string();
    choices_.setScreenSaver = parameters_.setScreenSaver;
  }

  InstallOutcome install(Registry& registry) {
    InstallEnvironment environment{pack_, installerPath_, registry, *shell_};
    return runInstallation(parameters_, choices_, environment, [this](float f) { progress_.push_back(f); });
  }

  std::string path(const std::string& rel) const { return nativePath(scratch_ / rel); }

  ScratchDir scratch_;
  std::string installerPath_;
  std::unique_ptr<RecordingShell> shell_;
  Pack pack_{Pack::Flavour::Installer};
  InstallParameters parameters_;
  InstallChoices choices_;
  MemoryRegistry registry_;
  std::vector<float> progress_;
};

TEST_F(InstallerFixture, InstallDirectoryGetsTheTitleUnlessItEndsWithIt) {
  const std::string g = path("G");
  EXPECT_EQ(installDirectoryFor(g, "T"), joinPath(g, "T"));
  EXPECT_EQ(installDirectoryFor(joinPath(g, "t"), "T"), joinPath(g, "t"));
  EXPECT_EQ(installDirectoryFor(g + kPathSeparator, "T"), joinPath(g, "T"));
  EXPECT_EQ(defaultInstallDirectory(registry_, "T"), "C:\\Program Files\\Velkaran\\T");
}

TEST_F(InstallerFixture, FreshInstallLogsEverythingInCreationOrder) {
  const InstallOutcome outcome = install(registry_);
  ASSERT_TRUE(outcome.started);
  const std::string dir = path("G\\T");
  EXPECT_EQ(outcome.installDirectory, dir);
  const std::vector<std::string> expected = {
      "Title:T",
      "version:1.2.3",
      "Makedir:" + path("G"),
      "Makedir:" + dir,
      "Makedir:" + joinPath(dir, "data"),
      "Copyfile:" + joinPath(joinPath(dir, "data"), "a.bin"),
      "Copyfile:" + joinPath(dir, "installparam.txt"),
      "Copyfile:" + joinPath(dir, "license.txt"),
      "Copyfile:" + joinPath(dir, "T.exe"),
      "Copyfile:" + path("windows\\T.scr"),
      "Copyfile:" + joinPath(dir, "T run.lnk"),
      "Makedir:" + path("programs\\T"),
      "Copyfile:" + path("programs\\T\\Menu T.lnk"),
      "Copyfile:" + path("desktop\\Desk.lnk"),
      "Copyfile:" + joinPath(dir, "Uninstall.exe"),
  };
  EXPECT_EQ(logLines(outcome.log), expected);
  EXPECT_EQ(readFile(path("windows\\T.scr")), "program");
  ASSERT_EQ(shell_->shortcuts.size(), 3u);
  EXPECT_EQ(shell_->shortcuts[0],
            (std::vector<std::string>{joinPath(dir, "T.exe"), joinPath(dir, "T run.lnk"), "Runs T", "/go", dir}));
  EXPECT_EQ(shell_->processes,
            std::vector<std::string>{"RUNDLL32.EXE desk.cpl,InstallScreenSaver " + path("windows\\T.scr")});
  ASSERT_FALSE(progress_.empty());
  EXPECT_FLOAT_EQ(progress_.back(), 1.1f);

  std::unique_ptr<RegistryKey> key;
  ASSERT_TRUE(
      succeeded(registry_.openKey(RegistryRoot::CurrentUser, "Software\\Velkaran\\T", RegistryAccess::Read, key)));
  std::string installdir;
  std::vector<std::uint8_t> version;
  key->readString("installdir", installdir);
  key->readBinary("version", version);
  EXPECT_EQ(installdir, dir);
  EXPECT_EQ(version, (std::vector<std::uint8_t>{123, 0, 0, 0}));
  ASSERT_TRUE(succeeded(registry_.openKey(RegistryRoot::LocalMachine,
                                          "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\T",
                                          RegistryAccess::Read, key)));
  std::string text;
  key->readString("DisplayName", text);
  EXPECT_EQ(text, "T 1.2.3");
  key->readString("UninstallString", text);
  EXPECT_EQ(text, std::string(1, '"').append(joinPath(dir, "Uninstall.exe")).append("\" /uninstall"));
  key->readString("DisplayVersion", text);
  EXPECT_EQ(text, "1.2.3");
  std::uint32_t noRemove = 0;
  EXPECT_TRUE(succeeded(key->readDword("NoModify", noRemove)));
  EXPECT_EQ(noRemove, 1u);
}

TEST_F(InstallerFixture, UninstallerIsTheImagePlusAPackHoldingTheLog) {
  const InstallOutcome outcome = install(registry_);
  ASSERT_TRUE(outcome.uninstallerWritten);
  const std::string bytes = readFile(outcome.uninstallerPath);
  EXPECT_EQ(bytes.substr(0, kImage.size()), kImage);
  Pack uninstaller(Pack::Flavour::Installer);
  ASSERT_EQ(uninstaller.open(outcome.uninstallerPath.c_str()), 1u);
  EXPECT_EQ(uninstaller.packStart(), kImage.size());
  FileData log;
  ASSERT_EQ(uninstaller.read("install.log", log), kPackFromPack);
  EXPECT_EQ(log.view(), outcome.log);
  const InstallParameters fromLog = readInstallParameters(uninstaller);
  EXPECT_EQ(fromLog.displayName(), "T 1.2.3");
}

TEST_F(InstallerFixture, WithBothBoxesClearedOnlyWorkShortcutsAreMade) {
  choices_.startMenu = false;
  choices_.desktop = false;
  install(registry_);
  ASSERT_EQ(shell_->shortcuts.size(), 1u);
  EXPECT_EQ(shell_->shortcuts[0][1], path("G\\T\\T run.lnk"));
  EXPECT_FALSE(fs::exists(path("programs\\T")));
}

TEST_F(InstallerFixture, RoundTripLeavesFilesAndRegistryAsTheyWere) {
  {  // what a real machine already has
    std::unique_ptr<RegistryKey> key;
    registry_.createKey(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", key);
    registry_.createKey(RegistryRoot::CurrentUser, "Software\\Other", key);
  }
  const auto filesBefore = dumpTree(scratch_.path());
  const auto registryBefore = dumpRegistry(registry_);

  const InstallOutcome outcome = install(registry_);
  {
    std::unique_ptr<RegistryKey> key;  // settings the product itself keeps
    registry_.createKey(RegistryRoot::CurrentUser, "Software\\Velkaran\\T\\Display", key);
  }
  Pack uninstaller(Pack::Flavour::Installer);
  ASSERT_EQ(uninstaller.open(outcome.uninstallerPath.c_str()), 1u);
  const InstallParameters fromLog = readInstallParameters(uninstaller);
  uninstaller.close();
  std::vector<float> progress;
  const UninstallOutcome removed = runUninstallation(fromLog.parameterText, fromLog.title.value_or(""), registry_,
                                                     [&](float f) { progress.push_back(f); });
  EXPECT_EQ(removed.refusedLines, std::vector<std::string>{});
  EXPECT_EQ(progress, std::vector<float>{1.1f});
  EXPECT_EQ(dumpTree(scratch_.path()), filesBefore);
  EXPECT_EQ(dumpRegistry(registry_), registryBefore);
}

TEST_F(InstallerFixture, UserFileKeepsItsDirectoryAndSecondRunRemovesNothing) {
  const InstallOutcome outcome = install(registry_);
  writeFile(path("G\\T\\data\\mine.txt"), "user");
  UninstallOutcome first = runUninstallation(outcome.log, "T", registry_, nullptr);
  EXPECT_EQ(first.filesDeleted, 9);
  EXPECT_TRUE(fs::exists(path("G\\T\\data\\mine.txt")));
  EXPECT_TRUE(fs::is_directory(path("G\\T")));
  EXPECT_FALSE(fs::exists(path("G\\T\\data\\a.bin")));
  EXPECT_FALSE(fs::exists(path("G\\T\\Uninstall.exe")));
  EXPECT_FALSE(fs::exists(path("windows\\T.scr")));
  EXPECT_FALSE(fs::exists(path("programs\\T")));

  {  // something recreated the product's key after the first run
    std::unique_ptr<RegistryKey> key;
    registry_.createKey(RegistryRoot::CurrentUser, "Software\\Velkaran\\T\\Left", key);
  }
  UninstallOutcome second = runUninstallation(outcome.log, "T", registry_, nullptr);
  EXPECT_EQ(second.filesDeleted, 0);
  EXPECT_EQ(second.directoriesRemoved, 0);
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(registry_.openKey(RegistryRoot::CurrentUser, "Software\\Velkaran", RegistryAccess::Read, key),
            kFileNotFound);
}

TEST_F(InstallerFixture, UninstallEntryFallsBackToTheCurrentUser) {
  UserOnlyRegistry registry;
  const InstallOutcome outcome = install(registry);
  EXPECT_TRUE(outcome.uninstallKeyInCurrentUser);
  const std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\T";
  std::unique_ptr<RegistryKey> key;
  ASSERT_TRUE(succeeded(registry.openKey(RegistryRoot::CurrentUser, uninstallKey, RegistryAccess::Read, key)));
  key.reset();
  runUninstallation(outcome.log, "T", registry, nullptr);
  EXPECT_EQ(registry.openKey(RegistryRoot::CurrentUser, uninstallKey, RegistryAccess::Read, key), kFileNotFound);
  EXPECT_FALSE(fs::exists(path("G")));
}

TEST(UninstallReplay, SkipsTheFirstLineAndRefusesUnsafePaths) {
  ScratchDir scratch;
  const std::string first = nativePath(scratch / "first.txt");
  const std::string kept = nativePath(scratch / "kept.txt");
  const std::string gone = nativePath(scratch / "gone.txt");
  const std::string dir = nativePath(scratch / "sub");
  for (const auto& f : {first, kept, gone}) writeFile(f, "x");
  fs::create_directories(dir);
  const std::string log = "Copyfile:" + first + "\r\n" + "COPYFILE:" + gone + "\r\n" + "Copyfile:kept.txt\r\n" +
                          "Copyfile:" + joinPath(dir, "..") + kPathSeparator + "kept.txt\r\n" + "makedir:" + dir +
                          "\r\n" + "Copyfile:" + dir + "\r\n" + "Other:" + kept + "\r\n";
  const UninstallOutcome outcome = replayLogBackwards(log);
  EXPECT_TRUE(fs::exists(first));
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_FALSE(fs::exists(dir));  // a "Copyfile:" line never removes a directory; "makedir:" did
  EXPECT_EQ(outcome.filesDeleted, 1);
  EXPECT_EQ(outcome.directoriesRemoved, 1);
  EXPECT_EQ(outcome.refusedLines.size(), 2u);
  EXPECT_FALSE(isRemovablePath(""));
  EXPECT_FALSE(isRemovablePath(nativePath(scratch / "x") + kPathSeparator));
}

// A folder the saver has run from holds its settings and view state, which the log cannot name:
// they go with it; a file of the user's keeps the folder.
TEST(UninstallReplay, RemovesWhatTheProgramWroteInTheFoldersItWasInstalledIn) {
  ScratchDir scratch;
  const std::string used = nativePath(scratch / "used"), shared = nativePath(scratch / "shared");
  for (const auto& d : {used, shared}) {
    fs::create_directories(d);
    writeFile(joinPath(d, "config.ini"), "settings");
    writeFile(joinPath(d, "Kelvane.ini"), "view");
  }
  writeFile(joinPath(shared, "notes.txt"), "mine");
  writeFile(scratch / "config.ini", "not installed here");
  const UninstallOutcome outcome = replayLogBackwards("title\r\nMakedir:" + used + "\r\nMakedir:" + shared + "\r\n");
  EXPECT_FALSE(fs::exists(used));
  EXPECT_TRUE(fs::exists(joinPath(shared, "notes.txt")));
  EXPECT_FALSE(fs::exists(joinPath(shared, "config.ini")));
  EXPECT_TRUE(fs::exists(scratch / "config.ini"));
  EXPECT_EQ(outcome.filesDeleted, 4);
  EXPECT_EQ(outcome.directoriesRemoved, 1);
}

TEST(UninstallRelaunch, TargetAndBatchText) {
  ScratchDir scratch;
  const std::string windows = nativePath(scratch / "win");
  fs::create_directories(windows);
  EXPECT_EQ(relaunchTargetPath(windows), joinPath(windows, "uninstallsecond.exe"));
  fs::create_directories(joinPath(windows, "temp"));
  const std::string target = joinPath(joinPath(windows, "temp"), "uninstallsecond.exe");
  EXPECT_EQ(relaunchTargetPath(windows), target);
  writeFile(scratch / "Uninstall.exe", "new");
  writeFile(target, "older copy");
  EXPECT_EQ(copyForRelaunch(nativePath(scratch / "Uninstall.exe"), windows).value_or(""), target);
  EXPECT_EQ(readFile(target), "new");
  EXPECT_FALSE(copyForRelaunch(nativePath(scratch / "missing.exe"), windows).has_value());

  EXPECT_EQ(removalBatchPath("C:\\Temp"), std::string("C:\\Temp") + kPathSeparator + "DelUS.bat");
  EXPECT_EQ(removalBatchText("C:\\W\\temp\\uninstallsecond.exe", "C:\\Temp\\DelUS.bat"),
            ":Repeat\r\ndel \"C:\\W\\temp\\uninstallsecond.exe\"\r\n"
            "if exist \"C:\\W\\temp\\uninstallsecond.exe\" goto Repeat\r\n"
            "del \"C:\\Temp\\DelUS.bat\"\r\nexit\r\n");
}

TEST(PackBuilding, BuildsFromTheOnlySubdirectoryAndReplacesAnOldPack) {
  ScratchDir scratch;
  writeFile(scratch / "Product/readme.txt", "new product");
  // The running installer already carries a pack; the new one must be the first found.
  const std::string oldPack = std::string(
      reinterpret_cast<const char*>(makeSingleEntryPack("readme.txt", std::string_view("old")).data()), 44 + 96 + 3);
  writeFile(scratch / "setup.exe", "IMAGE" + oldPack);
  const PackBuildOutcome outcome = buildInstallerPack(scratch.path().string(), nativePath(scratch / "setup.exe"));
  ASSERT_TRUE(outcome.built) << outcome.failure;
  EXPECT_FALSE(fs::exists(scratch / "test.pck"));
  EXPECT_EQ(readFile(outcome.outputPath).substr(0, 5), "IMAGE");
  Pack built(Pack::Flavour::Installer);
  ASSERT_GT(built.open(outcome.outputPath.c_str()), 0u);
  EXPECT_EQ(built.packStart(), 5u);
  FileData readme;
  ASSERT_EQ(built.read("readme.txt", readme), kPackFromPack);
  EXPECT_EQ(readme.view(), "new product");
}

TEST(PackBuilding, TwoSubdirectoriesOrNoneBuildNothing) {
  ScratchDir scratch;
  writeFile(scratch / "setup.exe", "IMAGE");
  EXPECT_FALSE(buildInstallerPack(scratch.path().string(), nativePath(scratch / "setup.exe")).built);
  writeFile(scratch / "One/a.txt", "a");
  writeFile(scratch / "Two/b.txt", "b");
  EXPECT_FALSE(buildInstallerPack(scratch.path().string(), nativePath(scratch / "setup.exe")).built);
  EXPECT_FALSE(fs::exists(scratch / "test.exe"));
  EXPECT_FALSE(fs::exists(scratch / "test.pck"));
}

}  // namespace
}  // namespace skyloom
