// A stand-in for the system's display control panel, which our Wine lacks: its one entry point
// that the setup program calls through RUNDLL32 records the argument it was given in
// "C:\desk-standin.txt", for the installer's end-to-end test to check.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) void CALLBACK InstallScreenSaver(HWND, HINSTANCE, LPSTR commandLine, int) {
  if (std::FILE* f = std::fopen("C:\\desk-standin.txt", "ab")) {
    std::fprintf(f, "%s\n", commandLine ? commandLine : "");
    std::fclose(f);
  }
}
