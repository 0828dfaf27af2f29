#pragma once
// Direct3D 9 is loaded when it is first asked for rather than imported, so that a machine (or a
// Wine prefix) without it still starts the program, which then explains the problem instead of
// failing to load.

#include <windows.h>

struct IDirect3D9;

namespace skyloom {

// Direct3DCreate9 from "d3d9.dll", or null when the library or the function is missing or the
// call fails.
IDirect3D9* createDirect3D9(UINT sdkVersion);

}  // namespace skyloom
