#pragma once
// The installer's parameters: the "installparam.txt" text carried in its pack (or, for an
// uninstaller, the "install.log" whose first two lines have the same form). Lines are
// "key:value" ended by CR LF.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class Pack;

// Longest text a path or field holds, as the Windows buffers it ends up in (260 with the NUL).
constexpr std::size_t kInstallerTextLimit = 259;

struct InstallParameters {
  std::optional<std::string> title;  // absent when the text has no "Title:" line
  std::string versionText;
  std::uint32_t versionNumber = 0;
  std::string startCommand;  // kept, not used
  bool screenSaver = false;
  bool setScreenSaver = false;
  std::string parameterText;  // the whole text, for the shortcut lines
  bool hasParameterText = false;

  // "<title> <version>", the caption of every dialog; empty without a title.
  std::string displayName() const;
  // "<title>.scr" and "<title>.exe"; empty without a title.
  std::string screenSaverFileName() const;
  std::string programFileName() const;
};

// The value of key (which includes its ':'), from the first line that begins with it, up to the
// end of that line. Absent when no line begins with key.
std::optional<std::string> findParameterValue(std::string_view text, std::string_view key);

// The decimal digits of text read left to right as one number, everything else skipped:
// "1.2.3" gives 123, no digits gives 0. Saturates at the largest 32-bit value.
std::uint32_t versionNumberOf(std::string_view text);

InstallParameters parseInstallParameters(std::string_view text);

// Reads "installparam.txt" from pack, or "install.log" when it has none; only entries of the
// pack itself count. Without either the result has no title and no parameter text.
InstallParameters readInstallParameters(Pack& pack);

// A title that can name a folder, files and a registry key: not empty, not "." or "..", no
// path separators or characters Windows refuses in file names, at most 255 characters.
bool isUsableTitle(std::string_view title);

enum class ShortcutKind { Work, StartMenu, Desktop };

struct ShortcutLine {
  ShortcutKind kind = ShortcutKind::Work;
  std::string target;  // relative to the install directory
  std::string linkName;
  std::string description;
  std::string arguments;
};

// Every "workshortcut:", "startmenu:" and "desktopicon:" line of text with four '$'-introduced
// fields, in text order, the %appexe%, %app% and %Title% names replaced. Lines with fewer
// fields are left out.
std::vector<ShortcutLine> parseShortcutLines(std::string_view text, std::string_view title,
                                             std::string_view programFileName);

}  // namespace skyloom
