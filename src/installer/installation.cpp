#include "installer/installation.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

#include "core/file.h"
#include "core/paths.h"
#include "installer/install_log.h"
#include "installer/shell_services.h"
#include "platform/registry/registry.h"
#include "resources/pack.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

bool isSeparator(char c) { return c == '/' || c == kPathSeparator; }

std::string withoutTrailingSeparators(std::string path, std::size_t rootLength) {
  while (path.size() > rootLength && isSeparator(path.back())) path.pop_back();
  return path;
}

std::string_view lastComponent(std::string_view path) {
  std::size_t end = path.size();
  while (end > 0 && isSeparator(path[end - 1])) --end;
  std::size_t start = end;
  while (start > 0 && !isSeparator(path[start - 1])) --start;
  return path.substr(start, end - start);
}

// Creates the missing directories of path from its root down, logging each one made; stops at
// the first that cannot be made. True when path is a directory afterwards.
bool createDirectoryChain(const std::string& path, InstallLog& log) {
  const std::size_t rootLength = fs::path(path).root_path().string().size();
  std::string current = path.substr(0, rootLength);
  std::size_t i = rootLength;
  while (i < path.size()) {
    while (i < path.size() && isSeparator(path[i])) ++i;
    std::size_t end = i;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    if (end == i) break;
    if (!current.empty() && !isSeparator(current.back())) current += kPathSeparator;
    current.append(path, i, end - i);
    i = end;
    std::error_code ec;
    if (fs::is_directory(current, ec)) continue;
    if (!fs::create_directory(current, ec)) return false;
    log.writeMadeDirectory(current);
  }
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// A link name that stays inside the folder it is made in.
bool isPlainName(std::string_view name) { return isSafeEntryName(name) && name.find('/') == std::string_view::npos; }

void writeRegistryEntries(const InstallParameters& parameters, const std::string& installDirectory,
                          InstallEnvironment& environment, InstallLog& log, InstallOutcome& outcome) {
  const std::string& title = *parameters.title;
  std::unique_ptr<RegistryKey> key;
  if (succeeded(
          environment.registry.createKey(RegistryRoot::CurrentUser, std::string(kMakerKeyPath) + "\\" + title, key))) {
    key->writeString("installdir", installDirectory);
    const std::uint32_t v = parameters.versionNumber;
    const std::array<std::uint8_t, 4> bytes = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    key->writeBinary("version", bytes);
  }

  // Without administrator rights the machine-wide entry cannot be written; the user's own
  // uninstall list is the fallback, and the log tells the uninstaller where to look.
  const std::string uninstallPath = std::string(kUninstallKeyPath) + "\\" + title;
  key.reset();
  if (failed(environment.registry.createKey(RegistryRoot::LocalMachine, uninstallPath, key))) {
    key.reset();
    if (failed(environment.registry.createKey(RegistryRoot::CurrentUser, uninstallPath, key))) return;
    outcome.uninstallKeyInCurrentUser = true;
    log.writeLine(kUninstallKeyInCurrentUserLine);
  }
  key->writeString("DisplayName", parameters.displayName());
  std::string uninstallString(1, '"');
  uninstallString.append(joinPath(installDirectory, kUninstallerFileName)).append("\" /uninstall");
  key->writeString("UninstallString", uninstallString);
  key->writeString("DisplayIcon", joinPath(installDirectory, parameters.programFileName()));
  key->writeString("DisplayVersion", parameters.versionText);
  key->writeString("Publisher", kMakerName);
  key->writeString("InstallLocation", installDirectory);
  const std::uint64_t kib = (static_cast<std::uint64_t>(environment.pack.header().totalLength) + 1023) / 1024;
  key->writeDword("EstimatedSize", static_cast<std::uint32_t>(kib));
  key->writeDword("NoModify", 1);
  key->writeDword("NoRepair", 1);
}

void makeShortcuts(const InstallParameters& parameters, const InstallChoices& choices,
                   const std::string& installDirectory, ShellServices& shell, InstallLog& log) {
  const std::vector<ShortcutLine> lines =
      parseShortcutLines(parameters.parameterText, *parameters.title, parameters.programFileName());
  auto make = [&](const ShortcutLine& s, const std::string& folder) {
    if (!isPlainName(s.linkName)) return;  // a link name must not lead out of its folder
    const std::string link = joinPath(folder, s.linkName + ".lnk");
    if (shell.createShortcut(joinPath(installDirectory, s.target), link, s.description, s.arguments,
                             installDirectory)) {
      log.writeCopiedFile(link);
    }
  };
  for (const ShortcutLine& s : lines) {
    if (s.kind == ShortcutKind::Work) make(s, installDirectory);
  }
  const bool anyStartMenu =
      std::any_of(lines.begin(), lines.end(), [](const ShortcutLine& s) { return s.kind == ShortcutKind::StartMenu; });
  const std::string programs = shell.programsFolder();
  if (choices.startMenu && anyStartMenu && !programs.empty()) {
    const std::string folder = joinPath(programs, *parameters.title);
    std::error_code ec;
    if (!fs::is_directory(folder, ec) && fs::create_directory(folder, ec)) log.writeMadeDirectory(folder);
    if (fs::is_directory(folder, ec)) {
      for (const ShortcutLine& s : lines) {
        if (s.kind == ShortcutKind::StartMenu) make(s, folder);
      }
    }
  }
  const std::string desktop = shell.desktopFolder();
  if (choices.desktop && !desktop.empty()) {
    for (const ShortcutLine& s : lines) {
      if (s.kind == ShortcutKind::Desktop) make(s, desktop);
    }
  }
}

// The installer's image (everything before its pack) followed by a pack holding only the log.
// Written beside the target and moved over it only once complete.
bool writeUninstaller(const std::string& path, InstallEnvironment& environment, const std::string& logText) {
  File image(environment.executablePath, "rb");
  const std::uint64_t imageLength = environment.pack.packStart();
  if (!image.isOpen() || imageLength == 0 || image.size() < imageLength) return false;
  const std::string temp = replacementPath(path);
  File out(temp, "wb");
  if (!out.isOpen()) return false;
  std::vector<char> buffer(kPackCopyChunk);
  bool complete = true;
  for (std::uint64_t done = 0; complete && done < imageLength;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(imageLength - done, buffer.size()));
    complete = image.read(buffer.data(), want) == want && out.writeAll(buffer.data(), want);
    done += want;
  }
  if (complete) {
    const std::vector<std::uint8_t> pack = makeSingleEntryPack("install.log", logText);
    complete = out.writeAll(pack.data(), pack.size());
  }
  complete = out.close() && complete;
  return finishReplacement(temp, path, complete);
}

}  // namespace

std::string defaultInstallDirectory(Registry& registry, std::string_view title) {
  std::unique_ptr<RegistryKey> key;
  std::string stored;
  if (succeeded(registry.openKey(RegistryRoot::CurrentUser, std::string(kMakerKeyPath) + "\\" + std::string(title),
                                 RegistryAccess::Read, key)) &&
      succeeded(key->readString("installdir", stored)) && !stored.empty()) {
    return stored.substr(0, kInstallerTextLimit);
  }
  return "C:\\Program Files\\Velkaran\\" + std::string(title);
}

std::string installDirectoryFor(std::string_view chosen, std::string_view title) {
  std::error_code ec;
  std::string path = fs::absolute(fs::path(nativePath(chosen)), ec).lexically_normal().string();
  if (ec || chosen.empty()) path = nativePath(chosen);
  path = withoutTrailingSeparators(std::move(path), fs::path(path).root_path().string().size());
  if (!equalsIgnoreCase(lastComponent(path), title)) path = joinPath(path, title);
  return path;
}

InstallOutcome runInstallation(const InstallParameters& parameters, const InstallChoices& choices,
                               InstallEnvironment& environment, const std::function<void(float)>& progress) {
  InstallOutcome outcome;
  auto finish = [&]() {
    if (progress) progress(1.1f);
  };
  if (!parameters.title || !isUsableTitle(*parameters.title) || !environment.pack.isOpen() ||
      choices.installDirectory.empty()) {
    finish();
    return outcome;
  }
  outcome.started = true;
  const std::string& title = *parameters.title;

  InstallLog log;
  log.writeHeader(title, parameters.versionText);
  const std::string installDirectory = installDirectoryFor(choices.installDirectory, title);
  outcome.installDirectory = installDirectory;
  // Without its directory nothing else can be installed, and registry entries would only
  // point at an uninstaller that is not there.
  if (!createDirectoryChain(installDirectory, log)) {
    outcome.log = log.text();
    finish();
    return outcome;
  }
  writeRegistryEntries(parameters, installDirectory, environment, log, outcome);

  setPackSinks(
      [&progress](float f) {
        if (progress) progress(f);
      },
      [&log](const char* text, int length, int) {
        if (length > 0) log.writeLine(std::string_view(text, static_cast<std::size_t>(length)));
      });
  environment.pack.extractTree(fs::path(installDirectory).parent_path().string());
  setPackSinks(nullptr, nullptr);

  std::string screenSaverPath;
  const std::string windows = environment.shell.windowsDirectory();
  if (parameters.screenSaver && !windows.empty()) {
    const std::string path = joinPath(windows, parameters.screenSaverFileName());
    if (environment.pack.extractEntry(parameters.programFileName(), path) == 1) {
      log.writeCopiedFile(path);
      screenSaverPath = path;
    }
  }

  if (parameters.hasParameterText) makeShortcuts(parameters, choices, installDirectory, environment.shell, log);

  outcome.uninstallerPath = joinPath(installDirectory, kUninstallerFileName);
  log.writeCopiedFile(outcome.uninstallerPath);  // first, so that the uninstaller removes itself too
  outcome.uninstallerWritten = writeUninstaller(outcome.uninstallerPath, environment, log.text());

  // Only a screen saver that is actually in place can be made the active one.
  if (choices.setScreenSaver && !screenSaverPath.empty()) {
    environment.shell.startProcess("RUNDLL32.EXE desk.cpl,InstallScreenSaver " + screenSaverPath);
  }
  outcome.log = log.text();
  finish();
  return outcome;
}

}  // namespace skyloom
