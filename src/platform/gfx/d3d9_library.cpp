#include "platform/gfx/d3d9_library.h"

#include <d3d9.h>

#include "platform/win32_procs.h"

namespace skyloom {

IDirect3D9* createDirect3D9(UINT sdkVersion) {
  // Loaded once and kept for the process's lifetime: devices made from it must not outlive it.
  static HMODULE library = LoadLibraryA("d3d9.dll");
  if (!library) return nullptr;
  using Create = IDirect3D9*(WINAPI*)(UINT);
  const auto create = procAddress<Create>(library, "Direct3DCreate9");
  return create ? create(sdkVersion) : nullptr;
}

}  // namespace skyloom
