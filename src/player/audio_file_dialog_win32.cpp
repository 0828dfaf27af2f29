// The music engine's "Open Audio File" dialog.
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <vector>

#include "config/dialog_values.h"
#include "player/music_session.h"

namespace skyloom {

std::vector<std::string> chooseAudioFiles(void* window) {
  constexpr DWORD kBufferBytes = 33280;
  std::vector<char> buffer(kBufferBytes, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = static_cast<HWND>(window);
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter =
      "MPEG Audio Streams (.mp1, .mp2, .mp3, .mpp)\0*.mp1;*.mp2;*.mp3;*.mpp\0"
      "All Files (*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = kBufferBytes;
  ofn.lpstrTitle = "Open Audio File";
  ofn.lpstrDefExt = "MP*";
  ofn.lpstrInitialDir = "";
  // The program's folder stays the current one: its data is found by relative paths.
  ofn.Flags =
      OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return {};
  return chosenFiles(buffer);
}

}  // namespace skyloom
