#pragma once
#include <string>

namespace skyloom {
// Full path of the running program's executable file; empty when it cannot be found.
std::string executablePath();
}  // namespace skyloom
