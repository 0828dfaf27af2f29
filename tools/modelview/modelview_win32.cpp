// modelview [SECONDS]: run in an install directory, shows every aircraft file of "aircraft\" as
// a montage: each description twice, seen from the front quarter at a distance that makes the
// unit drawing choose its finest level of detail and at one that makes it choose its coarsest
// (through a long lens, so both fill their cells), labelled with the name and the level: three
// aircraft to a row of six square cells, in a window at most 1200 wide and no larger than the
// screen. It draws with the program's own code: the libraries the scene makes, drawUnit and its
// states, with the exhaust flames of the jets. Escape or SECONDS (default 30) ends it.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/aircraft_libraries.h"
#include "aircraft/unit_draw.h"
#include "aircraft/unit_pass.h"
#include "app/scene.h"
#include "config/file_list.h"
#include "core/random.h"
#include "effects/trail_manager.h"
#include "resources/pack.h"
#include "platform/gfx/d3d9_device.h"
#include "platform/gfx/state_block.h"
#include "resources/glyph_font.h"
#include "resources/texture.h"
#include "resources/texture_registry.h"

using namespace skyloom;

namespace {

// At most this size, and no larger than the screen.
constexpr int kMaxWidth = 1200;
constexpr int kMaxHeight = 900;
constexpr int kColumns = 6;             // three aircraft per row, each at both levels
constexpr float kFinestRatio = 0.15f;   // radius / distance: level 0
constexpr float kCoarsestRatio = 0.005f;  // level 3
constexpr std::uint32_t kBackground = 0xFF8FA9C8;
constexpr std::uint32_t kCellColour = 0xFFA9C0DA;

LRESULT CALLBACK windowProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_KEYDOWN && wp == VK_ESCAPE) PostQuitMessage(0);
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(w, message, wp, lp);
}

Light sunLight() {
  Light sun;
  sun.type = LightType::Directional;
  sun.diffuse = {1.0f, 0.97f, 0.9f, 1.0f};
  sun.specular = {1.0f, 1.0f, 1.0f, 1.0f};
  sun.direction = normalize(Vec3{-0.4f, -0.8f, 0.45f});
  return sun;
}

// One cell: the unit seen from the front quarter, slightly above, at the distance that gives
// sizeRatio, with a field of view that frames its bounding sphere.
void drawCell(RenderDevice& device, const AircraftLibraries& libraries, FlameSink* flames, Unit& unit,
              const Viewport& cell, float sizeRatio) {
  device.setViewport(cell);
  device.clear(ClearFlag::Target | ClearFlag::ZBuffer, kCellColour, 1.0f, 0);
  const float radius = std::max(unit.radius, 0.1f);
  const float distance = radius / sizeRatio;
  const Vec3 eye = normalize(Vec3{0.75f, 0.35f, -0.6f}) * distance;
  const float fov = 2.0f * std::atan(radius * 0.95f / distance);
  const float aspect = static_cast<float>(cell.width) / static_cast<float>(cell.height);
  device.setTransform(TransformState::Projection,
                      cameraProjection(fov, aspect, std::max(distance - 2 * radius, 0.05f), distance + 2 * radius));
  device.setTransform(TransformState::View, lookAtLH(eye, {0, 0, 0}, {0, 1, 0}));
  UnitPass pass(device);
  UnitDrawContext context{device, libraries.models, &libraries.catalogue(), eye, flames};
  drawUnit(context, unit);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const double seconds = commandLine && *commandLine ? std::atof(commandLine) : 30.0;
  seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  Pack pack;  // the flame's picture comes from "pack.dat"
  if (pack.open("pack.dat")) mainPack = &pack;

  FileList aircraft;
  aircraft.scan("aircraft\\", "*.cu", false);
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  AircraftLibraries libraries(aircraft.scanList(), program, processRandom());

  std::vector<std::unique_ptr<Unit>> units;
  for (std::size_t d = 1; d < libraries.descriptions.size(); ++d) {
    if (auto unit = libraries.descriptions.createFrom(static_cast<int>(d))) units.push_back(std::move(unit));
  }

  // Square cells, three aircraft to a row, as many rows as fit the screen.
  const int pairs = kColumns / 2;
  const int rows = std::max<int>(1, static_cast<int>((units.size() + pairs - 1) / pairs));
  const int width = std::min(kMaxWidth, GetSystemMetrics(SM_CXSCREEN));
  const int height = std::min({kMaxHeight, GetSystemMetrics(SM_CYSCREEN), rows * (width / kColumns)});
  const auto cellWidth = static_cast<std::uint32_t>(width / kColumns);
  const auto cellHeight = static_cast<std::uint32_t>(height / rows);

  WNDCLASSA wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "SkyloomModelView";
  RegisterClassA(&wc);
  HWND window = CreateWindowA(wc.lpszClassName, "Skyloom aircraft", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                              nullptr, nullptr, instance, nullptr);
  std::unique_ptr<D3D9Device> device;
  if (!window || failed(createWindowedD3D9Device(window, device))) {
    MessageBoxA(nullptr, "No Direct3D 9 device.", "modelview", MB_OK);
    return 1;
  }

  applySceneStates(*device, Matrix::identity(), Matrix::identity());
  device->setRenderState(RenderState::FogEnable, 0);
  device->setLight(0, sunLight());
  TextureRegistry registry;
  auto trails = TrailManager::create(50, &registry);
  registry.restoreAll(device.get());  // also makes the device the one textures are made on
  libraries.restore(*device);
  GlyphFont font("Arial", 16, 700, false);
  font.restore(*device);

  const Viewport whole{0, 0, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 0, 1};
  const DWORD start = GetTickCount();
  MSG msg{};
  bool running = true;
  while (running && (GetTickCount() - start) < seconds * 1000.0) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) running = false;
      DispatchMessageA(&msg);
    }
    device->beginScene();
    device->setViewport(whole);
    device->clear(ClearFlag::Target | ClearFlag::ZBuffer, kBackground, 1.0f, 0);
    for (std::size_t i = 0; i < units.size(); ++i) {
      units[i]->fireTimer += 0.05f;  // the flames flicker as they do in flight
      const auto column = static_cast<std::uint32_t>(i % pairs) * 2;
      const auto row = static_cast<std::uint32_t>(i / pairs);
      for (std::uint32_t level = 0; level < 2; ++level) {
        const Viewport cell{(column + level) * cellWidth + 2, row * cellHeight + 2, cellWidth - 4, cellHeight - 4, 0, 1};
        drawCell(*device, libraries, &trails->flame(), *units[i], cell, level == 0 ? kFinestRatio : kCoarsestRatio);
      }
    }
    device->setViewport(whole);
    StateBlock text(*device);
    text.render(RenderState::AlphaBlendEnable, 1)
        .render(RenderState::SrcBlend, Blend::SrcAlpha)
        .render(RenderState::DestBlend, Blend::InvSrcAlpha)
        .stage(0, TextureStageState::AlphaOp, TextureOp::Modulate)
        .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
        .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
        .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse);
    for (std::size_t i = 0; i < units.size(); ++i) {
      const auto column = static_cast<float>((i % pairs) * 2);
      const auto row = static_cast<float>(i / pairs);
      const std::string name = units[i]->description->name;
      font.drawText(column * cellWidth + 8, row * cellHeight + 6, 0xFF102040, name + "  LOD 0");
      font.drawText((column + 1) * cellWidth + 8, row * cellHeight + 6, 0xFF102040, name + "  LOD 3");
    }
    text.restore();
    device->endScene();
    device->present();
    Sleep(15);
  }
  font.invalidate();
  libraries.invalidate();
  registry.releaseAll();
  setTextureDevice(nullptr);
  device.reset();
  DestroyWindow(window);
  mainPack = nullptr;
  return 0;
}
