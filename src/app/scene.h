#pragma once
// The scene of one render unit: owns the parts of the flight scene and moves and draws them in
// their fixed order. Parts still to come are simply absent; what exists now is the frame itself,
// the sky, the terrain, the culling volume, the clouds, the aircraft libraries, the units that fly
// them with their trails and engine sounds, and the "F1 for help" hint's clock.
//
// The scene publishes its texture registry and its large font as the process-wide ones while it
// lives, and clears them when it goes; the registry publishes the device textures are made on
// between restore and invalidate. A part draws with what restore hands it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aircraft/aircraft_libraries.h"
#include "aircraft/camera.h"  // cameraProjection
#include "aircraft/unit_list.h"
#include "core/math.h"
#include "effects/cloud_field.h"
#include "effects/sky_dome.h"
#include "effects/trail_manager.h"
#include "effects/unit_effect_feed.h"
#include "platform/gfx/render_device.h"
#include "resources/glyph_font.h"
#include "resources/texture_registry.h"
#include "ui/instruments.h"
#include "ui/music_panel.h"
#include "ui/widget_manager.h"
#include "world/terrain_world.h"
#include "world/view_frustum.h"

namespace skyloom {

// The camera's two projections share the field of view, which spans the viewport's width (the
// culling frustum's side planes use the same angle); the near one draws the world, the far one
// the sky's sun and glow.
constexpr float kNearPlane = 0.5f;
constexpr float kNearProjectionFar = 550000.0f;
constexpr float kFarProjectionFar = 1750000.0f;

// Without terrain, spread formations draw their altitudes up to this.
constexpr float kDefaultWorldCeiling = 8000.0f;

class SoundEffects;

struct SceneSettings {
  float fieldOfView = 1.5707963f;  // radians, horizontal
  float aspect = 1.3333f;          // width / height
  Matrix nearProjection = Matrix::identity();
  Matrix farProjection = Matrix::identity();
};

// A stored free view that would start the camera at or below the ground (groundMetres there)
// is lifted kViewAboveGround metres above it, keeping its heading and looking
// kViewPitchDegrees down, so the first picture is a landscape.
constexpr float kViewAboveGround = 300.0f;
constexpr float kViewPitchDegrees = 10.0f;
Matrix viewAboveGround(const Matrix& view, float groundMetres);

// The settings for a view angle in whole degrees and a viewport of width × height pixels.
SceneSettings sceneSettingsFor(int viewAngleDegrees, std::uint32_t width, std::uint32_t height);

// What a scene is made with. Without terrain settings the scene has no terrain, without sky
// colours no sky (tests of the frame that do not need them).
struct SceneConfig {
  std::optional<TerrainSettings> terrain;
  float startX = 0.0f, startZ = 0.0f;  // world metres: where the terrain and the units begin
  // The haze colour the far terrain fades into; the frame is cleared to it before the sky
  // covers it.
  std::uint32_t hazeColour = 0xFF3070CF;
  std::optional<SkyColours> sky;
  SkyDate date;         // today: the sun's height follows it
  int skyRandom = 1;    // one draw of the random generator: the rare pink sunset when & 127 is 0
  // Today's date, read again every frame while the scene runs; none keeps config.date.
  SkyDate (*clock)() = nullptr;
  // The aircraft files to load ("null" and the ".cu" names of "aircraft\" without extension);
  // none: the scene has no aircraft libraries. programPath: searched for an appended texture
  // pack (empty: only "texpk.dat").
  std::optional<std::vector<std::string>> aircraftFiles;
  std::string programPath;
  // The units of the starting formation fly the descriptions named here, in order (the
  // aircraft settings' chosen list). The trails follow the aircraft settings; the engine sounds
  // play through sound (none: silent), which must outlive the scene.
  std::vector<std::string> chosenAircraft;
  bool trailsOn = true;
  int trailLength = 50;
  SoundEffects* sound = nullptr;
  // The clouds' number and colour; none: a sky without clouds.
  std::optional<CloudSettings> clouds;
  // The in-scene interface: the help window and the instruments. savedLayout: the layout an
  // earlier run left (applied once, when the widgets are made); takesMouse: the widgets answer
  // the mouse (not in the full-screen saver); instrumentsShown: the instruments start visible.
  bool withInterface = false;
  ByteSpan savedLayout;
  bool takesMouse = true;
  bool instrumentsShown = true;
  // The music panel drives this session (none: the panel stays hidden, as it does without
  // showPlayButtons); window owns its open-files dialog. The session outlives the scene.
  MusicControl* music = nullptr;
  bool showPlayButtons = false;
  void* window = nullptr;
};

// What the instruments show of one frame.
struct InstrumentFeed {
  CameraReadings camera;
  float throttle = 0.0f;
  float framesPerSecond = 0.0f;
};

class Scene {
 public:
  explicit Scene(const SceneConfig& config = {});
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Device objects: made after a device creation or reset, dropped before the next.
  HResult restore(RenderDevice& device, const SceneSettings& settings);
  void invalidate();

  // Once per frame, whichever unit was bound last: e seconds since the last frame, t the time
  // in ms.
  void advanceFrame(double elapsedSeconds, std::uint64_t milliseconds);
  // Draws the scene's parts in order; the caller has begun the scene and set the view. feed:
  // what the instruments show (none: they keep what they showed).
  void render(RenderDevice& device, const Matrix& cameraWorld, const InstrumentFeed* feed = nullptr);

  // Scene seconds so far, which the hint fades by.
  double hintSeconds() const { return hintSeconds_; }
  const ViewFrustum* frustum() const { return frustum_.get(); }
  TerrainWorld* terrain() { return terrain_.get(); }
  SkyDome* sky() { return sky_.get(); }
  AircraftLibraries* aircraft() { return aircraft_.get(); }
  UnitList* units() { return units_.get(); }
  TrailManager* trails() { return trails_.get(); }
  CloudField* clouds() { return clouds_.get(); }
  WidgetManager* widgets() { return widgets_.get(); }
  Instruments* instruments() { return instruments_.get(); }
  MusicPanel* musicPanel() { return musicPanel_.get(); }
  // A window message for the interface (Win32 numbers): the mouse for the widgets. Answers
  // whether a widget took it.
  bool onInterfaceMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    return widgets_ && widgets_->onMessage(message, wparam, lparam);
  }
  // F1: the help window opens or closes.
  void toggleHelp() {
    if (widgets_) widgets_->help(2);
  }
  // The flight scene's keys: characters after the interface has seen them, and the arrows and
  // modifiers held this frame. Answers whether the character was taken.
  bool onChar(int ch);
  void setFlightKeys(const FlightKeys& keys) {
    if (units_) units_->setFlightKeys(keys);
  }
  // Whether the frame's draw covers the whole target (the sky dome does), so it needs no clear.
  bool coversTarget() const { return sky_ != nullptr; }
  std::uint32_t hazeColour() const { return hazeColour_; }
  GlyphFont& largeFont() { return *largeFont_; }
  TextureRegistry& textures() { return *textures_; }

 private:
  void createUnits(const SceneConfig& config);
  void drawHelpHint(RenderDevice& device);
  void createInterface(const SceneConfig& config);
  void feedInstruments(const InstrumentFeed& feed, const Vec3& eye);

  std::unique_ptr<TextureRegistry> textures_;  // first: the other parts register with it
  std::unique_ptr<GlyphFont> largeFont_;
  std::unique_ptr<SkyDome> sky_;  // before the terrain, which draws it
  SkyDate (*clock_)() = nullptr;
  SkyDate date_;  // the date the sun was last placed for
  std::unique_ptr<TerrainWorld> terrain_;
  std::uint32_t hazeColour_;
  std::unique_ptr<ViewFrustum> frustum_;
  std::unique_ptr<CloudField> clouds_;
  std::unique_ptr<AircraftLibraries> aircraft_;  // meshes, descriptions, catalogue
  std::unique_ptr<TrailManager> trails_;
  std::unique_ptr<UnitEffectFeed> unitEffects_;
  std::unique_ptr<UnitList> units_;  // reads the libraries and feeds the trails: goes first
  std::unique_ptr<WidgetManager> widgets_;
  // Their widgets belong to the manager: they go first.
  std::unique_ptr<MusicPanel> musicPanel_;
  std::unique_ptr<Instruments> instruments_;
  float fieldOfView_ = 1.5707963f;
  SoundEffects* sound_ = nullptr;
  bool trailsOn_ = true;
  std::uint64_t milliseconds_ = 0;
  Vec3 eye_;  // where the camera was at the last render
  double elapsed_ = 0.0;
  double cloudSeconds_ = 0.0;  // frame time the clouds have yet to drift by
  double hintSeconds_ = 0.0;
};

// The render, texture-stage and sampler states every restored device starts from, and the
// camera's transforms.
void applySceneStates(RenderDevice& device, const Matrix& projection, const Matrix& view);

}  // namespace skyloom
