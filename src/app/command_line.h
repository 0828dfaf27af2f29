#pragma once
// The screen-saver command line: which of the five modes to run and the window handle that
// comes with preview, password change and (optionally) settings.

#include <cstdint>
#include <string_view>

namespace skyloom {

enum class SaverMode : int { Config = 0, Preview = 1, Full = 2, Test = 3, PasswordChange = 4 };

struct SaverCommand {
  SaverMode mode = SaverMode::Config;
  std::uintptr_t parent = 0;  // 0: none
};

// line is the whole command line, program name included ("C:\x\Skyloom.scr" /p 1234).
SaverCommand parseCommandLine(std::string_view line);

}  // namespace skyloom
