#include <windows.h>

#include "resources/executable_path.h"

namespace skyloom {

std::string executablePath() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return {};
  return std::string(path, n);
}

}  // namespace skyloom
