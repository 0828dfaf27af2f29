#include "core/directory.h"

#include <algorithm>
#include <filesystem>

namespace skyloom {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool lessIgnoreCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

}  // namespace

std::vector<DirectoryItem> listDirectory(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<DirectoryItem> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code typeEc;
    out.push_back({std::move(name), it->is_directory(typeEc)});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const DirectoryItem& a, const DirectoryItem& b) { return lessIgnoreCase(a.name, b.name); });
  return out;
}

bool matchesWildcard(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*") return true;
  // Iterative match with backtracking to the last '*'.
  std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace skyloom
