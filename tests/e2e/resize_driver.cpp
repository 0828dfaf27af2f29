// resize_driver: resizes the saver's test-run window from outside, the way a user's drag of its
// frame ends, again and again, so that every resize makes the program reset its device.
//
//   resize_driver.exe COUNT [PAUSE_MS]   finds the top-level window titled "Skyloom", gives it
//                                        COUNT sizes in turn (alternately smaller and larger),
//                                        each followed by the end of a size-move, PAUSE_MS apart
//                                        (default 300), and prints "resize_driver N" per resize.
//                                        Ends with the window at its first size; exit code 1
//                                        when there is no such window or it goes away.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100;
  const int pause = argc > 2 ? std::atoi(argv[2]) : 300;
  HWND window = FindWindowA(nullptr, "Skyloom");
  if (!window) {
    std::fprintf(stderr, "resize_driver: no window titled Skyloom\n");
    return 1;
  }
  RECT first{};
  GetWindowRect(window, &first);
  const int w = first.right - first.left, h = first.bottom - first.top;
  for (int i = 1; i <= count; ++i) {
    if (!IsWindow(window)) {
      std::fprintf(stderr, "resize_driver: the window went away after %d resizes\n", i - 1);
      return 1;
    }
    // Odd steps shrink by up to a third, even ones go back to the first size; the widths vary
    // so that no two neighbouring sizes are equal.
    const int shrink = i % 2 ? 3 + i % 7 : 0;
    const int nw = shrink ? w - w * shrink / 30 : w, nh = shrink ? h - h * shrink / 30 : h;
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(window, nullptr, 0, 0, nw, nh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    std::printf("resize_driver %d %dx%d\n", i, nw, nh);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(pause));
  }
  if (IsWindow(window)) {
    SetWindowPos(window, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
  }
  return 0;
}
