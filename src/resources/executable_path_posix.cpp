#include <unistd.h>

#include "resources/executable_path.h"

namespace skyloom {

std::string executablePath() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path) return {};
  return std::string(path, static_cast<std::size_t>(n));
}

}  // namespace skyloom
