#include "app/scene_app_win32.h"

#include <mmsystem.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "config/settings_dialog_win32.h"
#include "config/view_state.h"
#include "core/random.h"
#include "platform/registry/registry.h"
#include "player/music_session.h"
#include "player/output_latency.h"
#include "resources/executable_path.h"

namespace skyloom {

namespace {

// Seconds since the process was created, for the start-up report; 0 when the system cannot say.
double secondsSinceProcessStart() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) * 1e-7;
}

}  // namespace

SceneApp::SceneApp(SettingsRoot& settings, Registry& registry)
    : settings_(settings),
      registry_(registry),
      camera_(cameraSettings_.record(),
              CameraInput{inputState().keyDown, inputState().idleSeconds, inputState().fillModeToggle},
              [this](float x, float z) { return groundHeight(x, z); }) {
  title_ = "Skyloom";
  camera_.setFollowNext([this] {
    if (current_ && current_->units()) current_->units()->followNext();
  });
}

SceneApp::~SceneApp() = default;

float SceneApp::groundHeight(float x, float z) const {
  if (!current_) return 0.0f;
  TerrainWorld* terrain = current_->terrain();
  return terrain ? terrain->heights().groundHeight(x, z) : 0.0f;
}

void SceneApp::loadScreenSettings() {
  std::unique_ptr<RegistryKey> key;
  if (failed(registry_.openKey(RegistryRoot::CurrentUser, kSettingsKey, RegistryAccess::Read, key))) return;
  MonitorChoices choices = monitorChoices();
  readMonitorChoices(*key, choices);
  applyMonitorChoices(choices);
}

void SceneApp::writeScreenValues(RegistryKey& key) { writeMonitorChoices(key, monitorChoices()); }

// The owner is the window of the system's settings that asked (/c:HWND), when it still exists.
void SceneApp::openSettings() {
  HWND owner = parentWindow() && IsWindow(parentWindow()) ? parentWindow() : nullptr;
  openSettingsDialog(owner, registry_, this, [this](HWND dialog) { openDisplayDialog(dialog); });
}

HRESULT SceneApp::acceptDevice(const D3DCAPS9& caps, DWORD behaviour, D3DFORMAT) {
  return sceneAcceptsBehaviour(behaviour, caps.VertexShaderVersion) ? S_OK : E_FAIL;
}

void SceneApp::selectUnit(int index) {
  currentSlot_ = static_cast<std::size_t>(index);
  if (currentSlot_ >= slots_.size()) slots_.resize(currentSlot_ + 1);
  current_ = slots_[currentSlot_].get();
}

// Called per render unit and again after a device is recreated; the sound belongs to the run,
// so it starts once, when the main window exists.
HRESULT SceneApp::createDeviceResources() {
  if (!soundStarted_) {
    soundStarted_ = true;
    if (settings_.general().record().soundOn != 0) startSoundEffects();
    startMusic();
  }
  return S_OK;
}

// A machine without a sound device runs silent; that is not an error worth a box.
void SceneApp::startSoundEffects() {
  std::unique_ptr<SoundOutput> output;
  if (failed(createSoundOutput(nullptr, output)) || !output) return;
  soundEffects_.init(std::move(output), reinterpret_cast<std::uintptr_t>(mainWindow()));
}

// The music plays for the whole run: one session, made with the first scene and kept when
// scenes are made again after a device was lost, so the music goes on where it was. The small
// preview in the system's settings stays silent.
void SceneApp::startMusic() {
  if (music_ || mode() == SaverMode::Preview) return;
  const std::vector<char> files = settings_.music().selectFiles();
  if (files.empty()) return;  // the music player is switched off
  MusicEngineSetup setup;
  setup.registry = &registry_;
  for (int i = 0; i < __argc; ++i) setup.arguments.emplace_back(__argv[i] ? __argv[i] : "");
  setup.currentDirectory = settings_.startDirectory();
  setup.pipelines = &musicPipelines_;
  music_ = createMusicSession(files.data(), setup);
}

// The terrain from the general settings, and the start position the terrain and the units
// share: 2 × rand() metres in x and in z.
SceneConfig SceneApp::sceneConfig() {
  const GeneralRecord& general = settings_.general().record();
  SceneConfig config;
  TerrainSettings terrain;
  terrain.terrainName.assign(general.terrainName, strnlen(general.terrainName, sizeof general.terrainName));
  terrain.detail = static_cast<float>(general.terrainQuality);
  terrain.sceneryDensity = general.treeAmount;
  terrain.seaLevelMetres = general.seaLevel;
  terrain.hazeColour = general.fogColour2;
  config.terrain = terrain;
  config.hazeColour = general.fogColour2;
  config.sky = SkyColours{general.skyColour, general.fogColour2, general.lightColour};
  config.date = localSkyDate();
  config.clock = localSkyDate;
  config.skyRandom = randomInt();
  config.startX = 2.0f * static_cast<float>(randomInt());
  config.startZ = 2.0f * static_cast<float>(randomInt());
  // Every aircraft file there is gets loaded; the chosen list decides which of them fly.
  config.aircraftFiles = settings_.aircraft().chosen().scanList();
  if (config.aircraftFiles->empty()) {  // settings that were never loaded have not scanned
    FileList found;
    found.scan("aircraft\\", "*.cu", false);
    config.aircraftFiles = found.scanList();
  }
  config.programPath = executablePath();
  const AircraftRecord& aircraft = settings_.aircraft().record();
  config.chosenAircraft = settings_.aircraft().chosen().items();
  config.trailsOn = aircraft.trailsOn != 0;
  config.trailLength = aircraft.trailLength;
  config.sound = &soundEffects_;
  config.clouds = CloudSettings{CloudField::countForAmount(general.cloudAmount), general.cloudColour};
  return config;
}

HRESULT SceneApp::acquireVideoResources() {
  RenderDevice* d = renderDevice();
  if (!d) return S_OK;
  const D3DSURFACE_DESC& bb = backBuffer();
  // The camera makes the projections, from the same view angle and viewport.
  SceneSettings scene = sceneSettingsFor(settings_.general().record().viewAngle, bb.Width, bb.Height);
  camera_.setFieldOfView(scene.fieldOfView);
  camera_.setAspect(scene.aspect);
  scene.nearProjection = camera_.projection(1, kNearPlane, kNearProjectionFar);
  scene.farProjection = camera_.projection(2, kNearPlane, kFarProjectionFar);
  applySceneStates(*d, scene.nearProjection, cameraView());

  const bool first = !current_ && startMarks_[0] == 0.0;
  if (first) startMarks_[0] = secondsSinceProcessStart();
  if (!current_) {
    // The saved view is read when the first scene is made, not at every device restore: a
    // reset or a resize must not snap the camera back to where the last run left it. The
    // widgets take their layout when they are made.
    if (!viewLoaded_) loadViewState(cameraSettings_, &layout_);
    viewLoaded_ = true;
    if (currentSlot_ >= slots_.size()) slots_.resize(currentSlot_ + 1);
    SceneConfig config = sceneConfig();
    config.withInterface = true;
    config.savedLayout = layout_.bytes();
    // In the full-screen saver the widgets are shown but the mouse ends the run as before.
    config.takesMouse = mode() == SaverMode::Test;
    config.instrumentsShown = mode() != SaverMode::Preview;
    config.music = music_.get();
    config.showPlayButtons = settings_.music().record().showPlayButtons != 0;
    config.window = mainWindow();
    slots_[currentSlot_] = std::make_unique<Scene>(config);
    current_ = slots_[currentSlot_].get();
    if (TerrainWorld* terrain = current_->terrain()) {
      Matrix& view = cameraSettings_.record().freeView;
      view = viewAboveGround(view, terrain->source().metresAt(view.m[3][0], view.m[3][2]));
    }
    camera_.restoreState();
    applySceneStates(*d, scene.nearProjection, cameraView());
  }
  if (first) startMarks_[1] = secondsSinceProcessStart();
  const HRESULT hr = current_->restore(*d, scene);
  if (first) startMarks_[2] = secondsSinceProcessStart();
  return hr;
}

// Once per frame, before any unit draws, whichever unit was bound last: every unit's scene
// moves by the same time.
HRESULT SceneApp::advanceFrame() {
  if (frameCounter_ == 1) ShowWindow(mainWindow(), SW_SHOW);  // the first frame is drawn: show it
  if (frameCounter_ == 2) reportStartUp();  // the second, the first presented to the shown window
  ++frameCounter_;
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  FrameTimer& timer = frameTimer();
  timer.update(static_cast<std::uint64_t>(counter.QuadPart), timeGetTime());
  const InputState& input = inputState();
  FlightKeys keys;
  keys.up = input.keyDown[VK_UP] != 0;
  keys.down = input.keyDown[VK_DOWN] != 0;
  keys.left = input.keyDown[VK_LEFT] != 0;
  keys.right = input.keyDown[VK_RIGHT] != 0;
  keys.shift = input.keyDown[VK_SHIFT] != 0;
  keys.control = input.keyDown[VK_CONTROL] != 0;
  for (const auto& scene : slots_) {
    if (!scene) continue;
    scene->setFlightKeys(keys);
    scene->advanceFrame(timer.elapsed(), timer.nowMilliseconds());
  }
  // The camera after the units, so it follows where they are now.
  if (current_ && current_->units()) camera_.follow(current_->units()->followedView());
  camera_.advanceFrame(static_cast<float>(timer.elapsed()));
  countFrameRate();
  return S_OK;
}

// Once a second, to the debugger's output (scripts/framerate and scripts/measure read it under
// Wine): the rate and the frame count, which shows a long run still drawing, the textures held
// and the gaps of the music's own making. Nothing is shown on screen.
void SceneApp::countFrameRate() {
  const FrameTimer& timer = frameTimer();
  if (timer.nowMilliseconds() - reportedAt_ < 1000) return;
  reportedAt_ = timer.nowMilliseconds();
  char text[160];
  std::snprintf(text, sizeof text,
                "Skyloom: %.1f frames per second, frame %d, %ld textures (%.1f MB), music ran dry %d times\n",
                timer.framesPerSecond(), frameCounter_, D3D9Texture::liveCount(),
                static_cast<double>(D3D9Texture::liveBytes()) / (1 << 20), ringsRunDry.load());
  OutputDebugStringA(text);
}

// The time from the process's creation to its first frame on screen, and where it went, for
// measuring start-up.
void SceneApp::reportStartUp() {
  char text[192];
  std::snprintf(text, sizeof text,
                "Skyloom: first frame shown %.3f s after the process started (device ready at %.3f s, scene made "
                "by %.3f s, on the device by %.3f s)\n",
                secondsSinceProcessStart(), startMarks_[0], startMarks_[1], startMarks_[2]);
  OutputDebugStringA(text);
}

HRESULT SceneApp::render() {
  RenderDevice* d = renderDevice();
  if (!d) return S_OK;
  d->setRenderState(RenderState::FillMode, 2 + inputState().fillModeToggle % 2);
  if (failed(d->beginScene())) return S_OK;
  // The depth buffer only: the sky dome covers the whole target, and a software rasteriser
  // pays for every cleared pixel. A frame without a sky is cleared to the haze colour so the
  // last one does not show through.
  const bool covered = current_ && current_->coversTarget();
  d->clear(covered ? ClearFlag::ZBuffer : ClearFlag::ZBuffer | ClearFlag::Target,
           current_ ? current_->hazeColour() : 0xFF000000, 1.0f, 0);
  d->setTransform(TransformState::View, cameraView());
  if (current_) {
    InstrumentFeed feed;
    const Vec3 eye = camera_.eye();
    feed.camera = CameraReadings{eye.y,          groundHeight(eye.x, eye.z), camera_.speed(), camera_.heading(),
                                 camera_.pitch(), camera_.roll(),             camera_.mode()};
    feed.throttle = current_->units() ? current_->units()->followedThrottle() : 0.0f;
    feed.framesPerSecond = static_cast<float>(frameTimer().framesPerSecond());
    current_->render(*d, cameraWorld(), &feed);
  }
  d->endScene();
  return S_OK;
}

HRESULT SceneApp::dropVideoResources() {
  if (current_) current_->invalidate();
  return S_OK;
}

HRESULT SceneApp::destroyDeviceResources() {
  // The widgets' layout outlives their scene: the next scene (after the device was made again)
  // and the view-state file take it from here.
  if (current_ && current_->widgets()) {
    Bytes layout;
    current_->widgets()->save(layout);
    layout_.loadLayout(layout);
  }
  if (mode() == SaverMode::Test || rules().helpPressed() != 0) saveViewState(cameraSettings_, &layout_);
  if (currentSlot_ < slots_.size()) slots_[currentSlot_].reset();
  current_ = nullptr;
  return S_OK;
}

void SceneApp::handleSceneInput(UINT message, WPARAM, LPARAM lparam) {
  MouseTracker& mouse = inputState().mouse;
  switch (message) {
    case WM_MOUSEMOVE:
      mouse.move(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      mouse.leftButton(message == WM_LBUTTONDOWN);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      mouse.rightButton(message == WM_RBUTTONDOWN);
      break;
    default:
      break;
  }
}

// The widgets take the mouse first. While one holds it (a drag), the window keeps the mouse
// even outside it, so the button's release is not lost.
void SceneApp::handleInterfaceInput(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN && wparam == VK_F1) current_->toggleHelp();
  if (message < WM_MOUSEFIRST || message > WM_MOUSEWHEEL) return;
  current_->onInterfaceMessage(message, wparam, lparam);
  const bool held = current_->widgets() && current_->widgets()->captured() >= 0;
  if (held && GetCapture() != window) {
    SetCapture(window);
  } else if (!held && GetCapture() == window) {
    ReleaseCapture();
  }
}

LRESULT SceneApp::handleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (current_) {
    handleSceneInput(message, wparam, lparam);
    handleInterfaceInput(window, message, wparam, lparam);
  }
  InputState& input = inputState();
  switch (message) {
    case WM_SIZE:
      if (wparam == SIZE_MAXIMIZED) {
        wasMaximised_ = true;
        PostMessageA(window, WM_EXITSIZEMOVE, 2, 0);
      } else if (wparam == SIZE_RESTORED && wasMaximised_) {
        PostMessageA(window, WM_EXITSIZEMOVE, 0, 0);
        wasMaximised_ = false;
      }
      break;
    case WM_KEYDOWN:
      input.keyDown[wparam & 0xFF] = 1;
      break;
    case WM_KEYUP:
      input.keyDown[wparam & 0xFF] = 0;
      break;
    case WM_CHAR:
      input.characters[wparam & 0xFF] = 1;
      if (current_) current_->onChar(static_cast<int>(wparam));
      break;
    case WM_EXITSIZEMOVE:
      resetUnitForResize();
      break;
    default:
      break;
  }
  return defaultHandling(window, message, wparam, lparam);
}

LRESULT SceneApp::defaultHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return frameworkHandling(window, message, wparam, lparam, true);
}

}  // namespace skyloom
