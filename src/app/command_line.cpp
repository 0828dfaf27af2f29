#include "app/command_line.h"

namespace skyloom {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Past the program name: a quoted name up to its closing quote, else up to the first space,
// and that one closing character too.
std::size_t skipProgramName(std::string_view line) {
  if (line.empty()) return 0;
  const bool quoted = line[0] == '"';
  const std::size_t end = quoted ? line.find('"', 1) : line.find(' ');
  return end == std::string_view::npos ? line.size() : end + 1;
}

}  // namespace

SaverCommand parseCommandLine(std::string_view line) {
  SaverCommand cmd;
  std::size_t i = skipProgramName(line);
  while (i < line.size() && line[i] != '/' && line[i] != '-') ++i;
  if (i + 1 >= line.size()) return cmd;  // no switch (or nothing after it): settings
  const char letter = static_cast<char>(line[i + 1] | 0x20);
  i += 2;
  if (letter == 'a' || letter == 'c' || letter == 'p') {
    while (i < line.size() && !isDigit(line[i])) ++i;
    std::uintptr_t handle = 0;
    for (; i < line.size() && isDigit(line[i]); ++i) handle = handle * 10 + static_cast<std::uintptr_t>(line[i] - '0');
    cmd.parent = handle;
  }
  switch (letter) {
    case 'a': cmd.mode = SaverMode::PasswordChange; break;
    case 'c': cmd.mode = SaverMode::Config; break;
    case 'p': cmd.mode = SaverMode::Preview; break;
    case 't': cmd.mode = SaverMode::Test; break;
    default: cmd.mode = SaverMode::Full; break;
  }
  return cmd;
}

}  // namespace skyloom
