// The program's entry: settings, the main pack, the saver in the mode its command line names.
#include <windows.h>
#include <mmsystem.h>

#include <ctime>
#include <memory>

#include "app/frame_timer.h"
#include "app/scene_app_win32.h"
#include "config/builtin_config.h"
#include "config/settings_root.h"
#include "core/random.h"
#include "platform/registry/registry_win32.h"
#include "resources/pack.h"

using namespace skyloom;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  LARGE_INTEGER frequency{}, counter{};
  const bool precise = QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&counter);
  frameTimer().start(precise ? static_cast<std::uint64_t>(frequency.QuadPart) : 0,
                     static_cast<std::uint64_t>(counter.QuadPart), timeGetTime());

  Win32Registry registry;
  SettingsRoot& settings = SettingsRoot::createInstance();  // records the start directory
  settings.load(registry, builtInConfig());

  int result = 0;
  {
    auto app = std::make_unique<SceneApp>(settings, registry);
    Pack pack;
    if (pack.open("pack.dat")) mainPack = &pack;  // without it every file is read loose
    const HRESULT created = app->create(instance);
    if (FAILED(created)) {
      app->showError(created);
    } else {
      if (app->mode() == SaverMode::Preview) {
        settings.general().record().terrainQuality = -1;  // a lighter scene for the small window
        settings.general().record().treeAmount = 30;
      }
      result = app->run();
    }
    mainPack = nullptr;
  }
  SettingsRoot::destroyInstance();
  return result;
}
