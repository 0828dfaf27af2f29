// preview_host SAVER [CLOSE_AFTER_SECONDS]: plays the part of the system's screen saver settings
// page. It opens a 320 x 240 window, starts "SAVER /p <window>", waits for the saver's child
// window, and prints
//   child W H       the child's client size
//   parent W H      this window's client size
// then, when CLOSE_AFTER_SECONDS is given, destroys its window after that many seconds (as the
// settings page does when it closes or switches savers) and prints
//   saver exit N    the saver's exit code once it has ended.
// Exit code 0 when everything it was asked to do happened; 1 on a time-out (the saver is then
// terminated, so no process is left behind); 2 on bad usage or a failed start.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 240;
constexpr DWORD kChildTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 60000;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND createHostWindow(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = hostProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = "SkyloomPreviewHost";
  if (!RegisterClassA(&wc)) return nullptr;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT r = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&r, style, FALSE);
  HWND window = CreateWindowA(wc.lpszClassName, "Preview host", style, 40, 40, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (window) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
  }
  return window;
}

// Dispatches this thread's messages for up to ms milliseconds, or until the handle is signalled
// (pass null to just pump). The saver's child window lives in another process but belongs to our
// window, so destroying and painting it involves messages to this thread: keep pumping.
bool pumpUntil(HANDLE handle, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return false;
    const DWORD count = handle ? 1 : 0;
    const DWORD r = MsgWaitForMultipleObjects(count, handle ? &handle : nullptr, FALSE, ms - spent,
                                              QS_ALLINPUT);
    if (handle && r == WAIT_OBJECT_0) return true;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

HWND waitForChild(HWND parent, HANDLE saver) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kChildTimeoutMs) {
    HWND child = GetWindow(parent, GW_CHILD);
    if (child) return child;
    if (WaitForSingleObject(saver, 0) == WAIT_OBJECT_0) return nullptr;  // ended without one
    pumpUntil(nullptr, 50);
  }
  return nullptr;
}

void printClientSize(const char* label, HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  std::printf("%s %ld %ld\n", label, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: preview_host SAVER [CLOSE_AFTER_SECONDS]\n", stderr);
    return 2;
  }
  const int closeAfter = argc == 3 ? std::atoi(argv[2]) : -1;
  HWND parent = createHostWindow(GetModuleHandleA(nullptr));
  if (!parent) {
    std::fputs("preview_host: cannot create the window\n", stderr);
    return 2;
  }
  // The settings page passes the window handle in decimal.
  std::string command = "\"";
  command += argv[1];
  command += "\" /p ";
  command += std::to_string(reinterpret_cast<std::uintptr_t>(parent));
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "preview_host: cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  CloseHandle(pi.hThread);

  int result = 0;
  HWND child = waitForChild(parent, pi.hProcess);
  if (!child) {
    std::puts("no child window");
    result = 1;
  } else {
    // Give the saver a moment to settle (it may resize its window after creating it).
    pumpUntil(nullptr, 500);
    printClientSize("child", child);
    printClientSize("parent", parent);
  }
  if (closeAfter >= 0 && result == 0) {
    pumpUntil(nullptr, static_cast<DWORD>(closeAfter) * 1000);
    DestroyWindow(parent);
    if (pumpUntil(pi.hProcess, kExitTimeoutMs)) {
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      std::printf("saver exit %lu\n", code);
    } else {
      std::puts("saver still running");
      result = 1;
    }
  }
  if (result != 0 || closeAfter < 0) {
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 255);
  }
  std::fflush(stdout);
  CloseHandle(pi.hProcess);
  return result;
}
