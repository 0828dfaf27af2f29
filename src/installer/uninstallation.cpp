#include "installer/uninstallation.h"

#include <filesystem>
#include <vector>

#include "core/file.h"
#include "core/paths.h"
#include "installer/install_parameters.h"
#include "installer/installation.h"
#include "platform/registry/registry.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

bool logHasLine(std::string_view logText, std::string_view line) {
  std::size_t start = 0;
  while (start <= logText.size()) {
    std::size_t end = logText.find("\r\n", start);
    if (end == std::string_view::npos) end = logText.size();
    if (equalsIgnoreCase(logText.substr(start, end - start), line)) return true;
    start = end + 2;
  }
  return false;
}

}  // namespace

bool isRemovablePath(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  const fs::path p{std::string(path)};
  if (!p.is_absolute()) return false;
  const std::string root = p.root_path().string();
  std::size_t i = root.size();
  if (i >= path.size()) return false;  // a bare root
  while (i < path.size()) {
    std::size_t end = i;
    while (end < path.size() && path[end] != '/' && path[end] != kPathSeparator) ++end;
    const std::string_view component = path.substr(i, end - i);
    if (component.empty() || component == "." || component == "..") return false;
    i = end + 1;
  }
  return path.back() != '/' && path.back() != kPathSeparator;
}

UninstallOutcome replayLogBackwards(std::string_view logText) {
  UninstallOutcome outcome;
  std::size_t lineEnd = logText.size();
  // Each iteration takes the line that starts after the last CR LF before lineEnd.
  while (lineEnd >= 2) {
    const std::size_t crlf = logText.rfind("\r\n", lineEnd - 2);
    if (crlf == std::string_view::npos) break;  // what is left is the first line
    const std::size_t start = crlf + 2;
    std::string_view line = logText.substr(start, lineEnd - start);
    lineEnd = crlf;
    const std::size_t cr = line.find('\r');
    if (cr != std::string_view::npos) line = line.substr(0, cr);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, colon + 1);
    const std::string_view value = line.substr(colon + 1);
    const bool isDirectory = equalsIgnoreCase(key, "Makedir:");
    if (!isDirectory && !equalsIgnoreCase(key, "Copyfile:")) continue;
    if (!isRemovablePath(value)) {
      outcome.refusedLines.emplace_back(line);
      continue;
    }
    const fs::path path{std::string(value)};
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || !fs::exists(status)) continue;
    if (isDirectory) {
      // The files the program writes beside itself when it runs are not in the log: they go
      // with the directory the installer made. Anything else the user put there stays, and so
      // does the directory then.
      for (std::string_view name : kFilesWrittenByTheProgram) {
        const fs::path written = path / std::string(name);
        if (fs::is_regular_file(fs::symlink_status(written, ec)) && fs::remove(written, ec)) ++outcome.filesDeleted;
      }
      // Only an empty directory goes: remove() refuses one with anything left in it.
      if (fs::is_directory(status) && fs::remove(path, ec)) ++outcome.directoriesRemoved;
    } else if (!fs::is_directory(status) && fs::remove(path, ec)) {
      ++outcome.filesDeleted;
    }
  }
  return outcome;
}

void removeRegistryEntries(Registry& registry, std::string_view title, std::string_view logText) {
  if (!isUsableTitle(title)) return;
  const std::string maker(kMakerKeyPath);
  const std::string productPath = maker + "\\" + std::string(title);
  std::unique_ptr<RegistryKey> product;
  if (succeeded(registry.openKey(RegistryRoot::CurrentUser, productPath, RegistryAccess::ReadWrite, product))) {
    std::vector<std::string> subkeys;
    if (succeeded(product->enumerateSubkeys(subkeys))) {
      for (const std::string& name : subkeys) product->deleteKey(name);
    }
    product.reset();
    registry.deleteKey(RegistryRoot::CurrentUser, productPath);
  }
  // The maker key goes too once nothing of any product is left in it.
  std::unique_ptr<RegistryKey> makerKey;
  if (succeeded(registry.openKey(RegistryRoot::CurrentUser, maker, RegistryAccess::Read, makerKey))) {
    std::vector<std::string> subkeys;
    std::vector<RegistryValueInfo> values;
    const bool empty = succeeded(makerKey->enumerateSubkeys(subkeys)) && subkeys.empty() &&
                       succeeded(makerKey->enumerateValues(values)) && values.empty();
    makerKey.reset();
    if (empty) registry.deleteKey(RegistryRoot::CurrentUser, maker);
  }
  const std::string uninstallPath = std::string(kUninstallKeyPath) + "\\" + std::string(title);
  registry.deleteKey(RegistryRoot::LocalMachine, uninstallPath);
  if (logHasLine(logText, kUninstallKeyInCurrentUserLine)) registry.deleteKey(RegistryRoot::CurrentUser, uninstallPath);
}

UninstallOutcome runUninstallation(std::string_view logText, std::string_view title, Registry& registry,
                                   const std::function<void(float)>& progress) {
  UninstallOutcome outcome = replayLogBackwards(logText);
  removeRegistryEntries(registry, title, logText);
  if (progress) progress(1.1f);
  return outcome;
}

std::string relaunchTargetPath(const std::string& windowsDirectory) {
  const std::string temp = joinPath(windowsDirectory, "temp");
  std::error_code ec;
  const std::string& folder = fs::is_directory(temp, ec) ? temp : windowsDirectory;
  return joinPath(folder, "uninstallsecond.exe");
}

std::optional<std::string> copyForRelaunch(const std::string& executablePath, const std::string& windowsDirectory) {
  if (executablePath.empty() || windowsDirectory.empty()) return std::nullopt;
  const std::string target = relaunchTargetPath(windowsDirectory);
  std::error_code ec;
  if (fs::equivalent(executablePath, target, ec)) return target;  // already running from there
  // Our own copy: the runtime's copy_file refuses to overwrite under the Windows builds.
  std::vector<std::uint8_t> image;
  if (!readWholeFile(executablePath, image) || !writeFileReplacing(target, image.data(), image.size())) {
    return std::nullopt;
  }
  return target;
}

std::string removalBatchPath(const std::string& temporaryFolder) {
  return joinPath(temporaryFolder, kRemovalBatchName);
}

std::string removalBatchText(std::string_view executablePath, std::string_view batchPath) {
  std::string text = ":Repeat\r\ndel \"";
  text.append(executablePath).append("\"\r\nif exist \"").append(executablePath).append("\" goto Repeat\r\ndel \"");
  text.append(batchPath).append("\"\r\nexit\r\n");
  return text;
}

}  // namespace skyloom
