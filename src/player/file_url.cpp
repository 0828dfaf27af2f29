#include "player/file_url.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace skyloom {

std::string pathToUrl(std::string_view path, char currentDrive) {
  std::string url = "file://";
  if (path.size() >= 1 && path[0] == '\\' && (path.size() < 2 || path[1] != '\\')) {
    url += currentDrive;
    url += '|';
  }
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    url += (c == ':' && i == 1) ? '|' : c == '\\' ? '/' : c;
  }
  return url;
}

std::optional<std::string> urlToPath(std::string_view url) {
  constexpr std::string_view scheme = "file://";
  if (url.size() < scheme.size() || !std::equal(scheme.begin(), scheme.end(), url.begin(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
      })) {
    return std::nullopt;
  }
  std::string path(url.substr(scheme.size()));
  if (path.size() >= 2 && path[1] == '|') path[1] = ':';
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

char currentDriveLetter() {
  std::error_code ec;
  const std::string dir = std::filesystem::current_path(ec).string();
  if (!ec && dir.size() >= 2 && dir[1] == ':' && std::isalpha(static_cast<unsigned char>(dir[0]))) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(dir[0])));
  }
  return 'C';
}

}  // namespace skyloom
