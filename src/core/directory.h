#pragma once
// Directory listings as the Windows file system gives them: names in case-insensitive
// alphabetical order, so that scans number their results the same on every machine.

#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

struct DirectoryItem {
  std::string name;
  bool isDirectory = false;
};

// The names in dir (a native path), leaving out those that begin with '.'. Empty when dir
// cannot be listed.
std::vector<DirectoryItem> listDirectory(const std::string& dir);

// Windows-style wildcard match, case-insensitive: '*' any run, '?' one character; "*.*" also
// matches names without a dot.
bool matchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace skyloom
