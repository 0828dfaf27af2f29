#pragma once
// The record of everything an installation created, which the uninstaller replays backwards.
// Held in memory (it travels inside the uninstaller) with a fixed capacity: a line that would
// not fit is dropped, and the uninstaller then removes only what was recorded.

#include <cstddef>
#include <string>
#include <string_view>

namespace skyloom {

class InstallLog {
 public:
  static constexpr std::size_t kCapacity = 500000;

  // "Title:<title>" and "version:<version>", the lines the uninstaller reads its parameters from.
  void writeHeader(std::string_view title, std::string_view version);
  // Appends text and CR LF when length + text + 3 is below the capacity. False when dropped.
  bool writeLine(std::string_view text);
  // prefix + name for an absolute name; prefix + current directory + separator + name for a
  // relative one.
  bool writeObject(std::string_view prefix, std::string_view name);
  bool writeMadeDirectory(std::string_view path) { return writeObject("Makedir:", path); }
  bool writeCopiedFile(std::string_view path) { return writeObject("Copyfile:", path); }

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace skyloom
