#pragma once
// Paths and "file://" URLs as the player's inputs exchange them: "C:\music\a.mp3" is
// "file://C|/music/a.mp3".

#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

// "file://" and the path with its drive colon as "|" and its backslashes as slashes; a path
// rooted on the current drive ("\music") gets that drive's letter first.
std::string pathToUrl(std::string_view path, char currentDrive);
// The path of a "file://" URL (the scheme in any case); nothing for another URL.
std::optional<std::string> urlToPath(std::string_view url);
// The drive letter of the current directory ('C' where the system has no drive letters).
char currentDriveLetter();

}  // namespace skyloom
