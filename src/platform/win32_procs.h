#pragma once
// Functions taken from system libraries at run time, for every Windows file of the program.

#include <windows.h>

namespace skyloom {

// A function exported by module, as the type it is declared with; null when missing.
template <typename Function>
Function procAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace skyloom
