#include "installer/installer_command_line.h"

#include "core/paths.h"

namespace skyloom {

InstallerMode installerMode(std::string_view commandLine) {
  while (!commandLine.empty() && (commandLine.back() == ' ' || commandLine.back() == '\t' ||
                                  commandLine.back() == '\r' || commandLine.back() == '\n')) {
    commandLine.remove_suffix(1);
  }
  const std::size_t slash = commandLine.find('/');
  if (slash == std::string_view::npos) return InstallerMode::Install;
  struct Switch {
    std::string_view word;
    InstallerMode mode;
  };
  static constexpr Switch kSwitches[] = {{"install", InstallerMode::Install},
                                         {"pack", InstallerMode::Pack},
                                         {"uninstall", InstallerMode::UninstallRequest},
                                         {"uninstallsecond", InstallerMode::Uninstall}};
  for (std::size_t i = slash; i < commandLine.size(); ++i) {
    const char c = static_cast<char>(commandLine[i] | 0x20);
    if (c != 'i' && c != 'p' && c != 'u') continue;
    const std::string_view rest = commandLine.substr(i);
    for (const Switch& s : kSwitches) {
      if (equalsIgnoreCase(rest, s.word)) return s.mode;
    }
  }
  return InstallerMode::Install;
}

}  // namespace skyloom
