#pragma once
// The installation worker: creates the install directory, writes the registry entries, unpacks
// the product from the installer's own pack, installs the screen saver, makes the shortcuts and
// writes an uninstaller carrying the log of everything it created.

#include <functional>
#include <string>
#include <string_view>

#include "installer/install_parameters.h"

namespace skyloom {

class Pack;
class Registry;
class ShellServices;

inline constexpr std::string_view kMakerKeyPath = "Software\\Velkaran";
inline constexpr std::string_view kMakerName = "Velkaran";
inline constexpr std::string_view kUninstallKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::string_view kUninstallerFileName = "Uninstall.exe";
// Log line recording that the uninstall entry had to go under HKEY_CURRENT_USER.
inline constexpr std::string_view kUninstallKeyInCurrentUserLine = "Uninstallkey:HKEY_CURRENT_USER";

// What the options dialog decided.
struct InstallChoices {
  std::string installDirectory;
  bool startMenu = true;
  bool desktop = true;
  bool setScreenSaver = false;
};

struct InstallEnvironment {
  Pack& pack;                  // the installer's own pack, open
  std::string executablePath;  // the installer's own file, whose image precedes the pack
  Registry& registry;
  ShellServices& shell;
};

struct InstallOutcome {
  bool started = false;  // false: no usable title or no pack; nothing was done
  std::string installDirectory;
  std::string uninstallerPath;
  bool uninstallerWritten = false;
  bool uninstallKeyInCurrentUser = false;
  std::string log;
};

// The directory the options dialog shows first: the "installdir" remembered under
// HKEY_CURRENT_USER\Software\Velkaran\<title>, else "C:\Program Files\Velkaran\<title>".
std::string defaultInstallDirectory(Registry& registry, std::string_view title);

// The chosen directory with "<separator><title>" appended unless its last component already is
// the title (ignoring case); made absolute, without a trailing separator.
std::string installDirectoryFor(std::string_view chosen, std::string_view title);

// Runs the whole installation, reporting progress (0..1 while unpacking, 1.1 at the end) to
// progress. The pack's process-wide sinks are set for the run and cleared afterwards.
InstallOutcome runInstallation(const InstallParameters& parameters, const InstallChoices& choices,
                               InstallEnvironment& environment, const std::function<void(float)>& progress);

}  // namespace skyloom
