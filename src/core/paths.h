#pragma once
// The program names its files with backslash paths ("pack\land200.jpg", "tem\"). This is the one
// place that turns them into paths of the machine it runs on, plus the small string helpers that
// file names need.

#include <string>
#include <string_view>

namespace skyloom {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// "pack\clouds.bmp" -> "pack/clouds.bmp" on Linux; unchanged on Windows.
std::string nativePath(std::string_view programPath);

// dir + separator + name; name alone when dir is empty.
std::string joinPath(std::string_view dir, std::string_view name);

// The part after the last backslash (the whole name when there is none).
std::string_view baseName(std::string_view programPath);

// ASCII case-insensitive comparison, as the Windows file system compares names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace skyloom
