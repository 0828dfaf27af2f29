#include "installer/install_log.h"

#include <filesystem>

#include "core/paths.h"

namespace skyloom {

void InstallLog::writeHeader(std::string_view title, std::string_view version) {
  writeLine(std::string("Title:").append(title));
  writeLine(std::string("version:").append(version));
}

bool InstallLog::writeLine(std::string_view text) {
  if (text_.size() + text.size() + 3 >= kCapacity) return false;
  if (text_.capacity() == 0) text_.reserve(4096);
  text_.append(text);
  text_.append("\r\n");
  return true;
}

bool InstallLog::writeObject(std::string_view prefix, std::string_view name) {
  std::string line(prefix);
  if (std::filesystem::path(std::string(name)).is_absolute()) {
    line.append(name);
  } else {
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    line.append(joinPath(cwd, name));
  }
  return writeLine(line);
}

}  // namespace skyloom
