// "installparam.txt": the installer's parameters. The installer finds each single value by
// searching the whole text for its key, so "screensaver:" must come before "setscreensaver:"
// (which contains it), and no shortcut text may contain a key.
#include "texts_content.h"

namespace skyloom::assetgen {
namespace {

// A shortcut line: key, then target (relative to the install folder), link name, description
// and arguments, each introduced by '$' and the last closed by one. %appexe% and %Title% are
// filled in by the installer.
std::string shortcut(const char* key, const char* target, const char* name, const char* description,
                     const char* arguments) {
  return std::string(key) + "$" + target + "$" + name + "$" + description + "$" + arguments + "$\r\n";
}

}  // namespace

std::string installParamText() {
  std::string t;
  t += "Title:Skyloom\r\n";
  t += "version:0.9\r\n";
  t += "screensaver:1\r\n";
  t += "setscreensaver:1\r\n";
  // "/t" runs the scene in a window, where it is interactive and only Escape ends it.
  t += shortcut("startmenu:", "%appexe%", "%Title%", "Fly over the landscape in a window", "/t");
  t += shortcut("startmenu:", "%appexe%", "%Title% Settings", "Change the settings of %Title%", "/c");
  t += shortcut("startmenu:", "readme.txt", "%Title% Help", "The %Title% user guide", "");
  t += shortcut("startmenu:", "Uninstall.exe", "Uninstall %Title%", "Remove %Title% from this computer",
                "/uninstall");
  t += shortcut("desktopicon:", "%appexe%", "%Title%", "Fly over the landscape in a window", "/t");
  return t;
}

}  // namespace skyloom::assetgen
