#pragma once
// The installer's mode, from its command line. One executable installs (the default), builds a
// new installer, asks whether to uninstall, or uninstalls from its relaunched copy.

#include <string_view>

namespace skyloom {

enum class InstallerMode { Pack = 1, Install = 2, UninstallRequest = 3, Uninstall = 4 };

// From the first '/', each 'i', 'p' or 'u' (either case) starts a comparison, ignoring case, of
// the rest of the line with "install", "pack", "uninstall" and "uninstallsecond"; the first
// that matches decides. The switch therefore has to end the line (trailing blanks aside).
InstallerMode installerMode(std::string_view commandLine);

}  // namespace skyloom
