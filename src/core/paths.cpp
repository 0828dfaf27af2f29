#include "core/paths.h"

namespace skyloom {
namespace {
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string nativePath(std::string_view programPath) {
  std::string out(programPath);
#ifndef _WIN32
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
#endif
  return out;
}

std::string joinPath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != '/' && out.back() != '\\') out += kPathSeparator;
  out += name;
  return out;
}

std::string_view baseName(std::string_view programPath) {
  const auto slash = programPath.rfind('\\');
  return slash == std::string_view::npos ? programPath : programPath.substr(slash + 1);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace skyloom
