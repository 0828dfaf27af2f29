// present_rate: how fast this machine's Direct3D can clear and present a window, the yardstick
// for the saver's frame rate (a software rasteriser's fill rate bounds both).
//
//   present_rate.exe [SECONDS]   prints "present_rate W H FRAMES_PER_SECOND" for a window of the
//                                screen's size (default 5 seconds)
//   present_rate.exe once        presents one frame, prints "present_rate presented" and ends:
//                                Wine's own start-up time, the yardstick for the saver's
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gfx/d3d9_device.h"

using namespace skyloom;

int main(int argc, char** argv) {
  const bool once = argc > 1 && std::strcmp(argv[1], "once") == 0;
  const double seconds = argc > 1 && !once ? std::atof(argv[1]) : 5.0;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HWND window = CreateWindowA("STATIC", "present_rate", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  std::unique_ptr<D3D9Device> device;
  if (!window || failed(createWindowedD3D9Device(window, device))) {
    std::fprintf(stderr, "present_rate: no Direct3D 9 device\n");
    return 1;
  }
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  long frames = 0;
  double elapsed = 0;
  while (elapsed < seconds) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    device->beginScene();
    device->clear(ClearFlag::Target | ClearFlag::ZBuffer, 0xFF3070CF, 1.0f, 0);
    device->endScene();
    device->present();
    if (once) {
      std::printf("present_rate presented\n");
      std::fflush(stdout);
      break;
    }
    ++frames;
    QueryPerformanceCounter(&now);
    elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  }
  if (!once) std::printf("present_rate %d %d %.1f\n", w, h, frames / elapsed);
  device.reset();
  DestroyWindow(window);
  return 0;
}
