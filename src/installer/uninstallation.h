#pragma once
// Undoing an installation. The uninstaller lives in the directory it removes, so it runs in two
// stages: the copy in the install directory copies itself to the temporary folder and relaunches
// that copy, which replays the install log backwards, removes the registry entries and finally
// leaves its own deletion to a small batch file.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class Registry;

struct UninstallOutcome {
  int directoriesRemoved = 0;
  int filesDeleted = 0;
  // Log lines naming a path that is not absolute or holds "." or ".." components; never acted on.
  std::vector<std::string> refusedLines;
};

// A path the log may name for removal: absolute, without "." or ".." components or empty names.
bool isRemovablePath(std::string_view path);

// The settings and the view state the program writes in its folder when it runs.
inline constexpr std::string_view kFilesWrittenByTheProgram[] = {"config.ini", "Kelvane.ini"};

// Replays the log from its last line back to its second: "Makedir:" removes that directory when
// nothing but the files the program writes is left in it, "Copyfile:" deletes that file (keys
// ignoring case); other lines, the first line and lines not preceded by CR LF are skipped,
// failures ignored.
UninstallOutcome replayLogBackwards(std::string_view logText);

// Deletes HKEY_CURRENT_USER\Software\Velkaran\<title> with its subkeys (and the maker key when
// that leaves it empty) and the uninstall entry <title> under HKEY_LOCAL_MACHINE, and under
// HKEY_CURRENT_USER too when the log says it was written there. A title that could not name a
// key of its own touches nothing.
void removeRegistryEntries(Registry& registry, std::string_view title, std::string_view logText);

// The uninstall worker: the replay, the registry removal, then 1.1 to progress.
UninstallOutcome runUninstallation(std::string_view logText, std::string_view title, Registry& registry,
                                   const std::function<void(float)>& progress);

// Where the first stage copies itself: "<windows>\temp\uninstallsecond.exe", or beside the
// Windows directory itself when it has no "temp" folder.
std::string relaunchTargetPath(const std::string& windowsDirectory);
// Copies the running executable to the relaunch target, replacing an older copy. The target's
// path, or nothing when the copy failed.
std::optional<std::string> copyForRelaunch(const std::string& executablePath, const std::string& windowsDirectory);

inline constexpr std::string_view kRemovalBatchName = "DelUS.bat";
// "<temporary folder>\DelUS.bat".
std::string removalBatchPath(const std::string& temporaryFolder);
// The batch that waits until executablePath can be deleted, deletes it, then itself.
std::string removalBatchText(std::string_view executablePath, std::string_view batchPath);

}  // namespace skyloom
