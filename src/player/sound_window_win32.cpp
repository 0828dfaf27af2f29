// The window DirectSound ties the music's device focus to. The music's buffers are made with
// global focus, so they keep playing whichever window is active; the window only has to be a
// valid top-level one. The saver's own window ("Corlune") is preferred, then any window of this
// process, and only then whatever top-level window the system listed last.

#include <windows.h>

#include <cstring>

#include "player/sound_devices.h"

namespace skyloom {
namespace {

struct WindowSearch {
  HWND titled = nullptr;
  HWND ownProcess = nullptr;
  HWND last = nullptr;
};

BOOL CALLBACK visitWindow(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<WindowSearch*>(param);
  search.last = window;
  char title[128] = {};
  GetWindowTextA(window, title, sizeof title);  // the first 127 characters are enough to compare
  if (lstrcmpiA(title, "Corlune") == 0) {
    search.titled = window;
    return FALSE;
  }
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (!search.ownProcess && process == GetCurrentProcessId()) search.ownProcess = window;
  return TRUE;
}

}  // namespace

std::uintptr_t findCooperativeWindow() {
  WindowSearch search;
  EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&search));
  HWND chosen = search.titled ? search.titled : search.ownProcess ? search.ownProcess : search.last;
  if (!chosen) chosen = GetDesktopWindow();
  return reinterpret_cast<std::uintptr_t>(chosen);
}

}  // namespace skyloom
