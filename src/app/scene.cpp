#include "app/scene.h"

#include <algorithm>
#include <cmath>

#include "app/help_hint.h"
#include "core/random.h"
#include "effects/sound_effects.h"
#include "platform/gfx/state_block.h"
#include "ui/instrument_tapes.h"

namespace skyloom {

namespace {
constexpr float kHintX = 10.0f, kHintY = 10.0f;
constexpr const char* kHintText = "F1 for help";
}  // namespace

Scene::Scene(const SceneConfig& config)
    : textures_(std::make_unique<TextureRegistry>()),
      largeFont_(std::make_unique<GlyphFont>("Arial", 24, 700, false)),
      clock_(config.clock),
      date_(config.date),
      hazeColour_(config.hazeColour) {
  TextureRegistry::setCurrent(textures_.get());
  GlyphFont::setCurrent(largeFont_.get());
  if (config.sky) sky_ = std::make_unique<SkyDome>(*config.sky, config.date, config.skyRandom);
  if (config.terrain) {
    terrain_ = std::make_unique<TerrainWorld>(config.startX, config.startZ, *config.terrain);
    terrain_->useTextures(*textures_);
    terrain_->setSky(sky_.get());
    if (sky_) terrain_->textures().setSun(sky_->sunLight());  // the ground is lit by the sky's sun
    TerrainWorld::setCurrent(terrain_.get());
  }
  if (config.clouds) {
    clouds_ = std::make_unique<CloudField>(CloudField::kCellsPerSide, CloudField::kCellsPerSide, CloudField::kCellSize,
                                           config.clouds->count, config.clouds->colour, processRandom());
  }
  if (config.aircraftFiles) {
    const char* program = config.programPath.empty() ? nullptr : config.programPath.c_str();
    aircraft_ = std::make_unique<AircraftLibraries>(*config.aircraftFiles, program, processRandom());
    createUnits(config);
  }
  if (config.withInterface) createInterface(config);
}

// The help window, the music panel, the instruments, and the places the last run left them in.
void Scene::createInterface(const SceneConfig& config) {
  widgets_ = std::make_unique<WidgetManager>(*largeFont_, textures_.get());
  widgets_->setTakesMouse(config.takesMouse);
  musicPanel_ = std::make_unique<MusicPanel>();
  musicPanel_->create(*widgets_, config.music, config.showPlayButtons, config.window);
  instruments_ = std::make_unique<Instruments>();
  instruments_->create(*widgets_);
  if (!config.savedLayout.empty()) widgets_->load(config.savedLayout);
  if (!config.instrumentsShown) instruments_->setVisibility(InstrumentVisibility::Hide);
  // A help window left open by an interactive run does not cover the next screen-saver run:
  // where the widgets do not take the mouse, F1 opens it again.
  if (!config.takesMouse) widgets_->help(0);
}

bool Scene::onChar(int ch) {
  const bool taken = instruments_ && instruments_->onChar(ch);
  return (units_ && units_->onChar(ch)) || taken;
}

// The units and what they leave behind: the trails, fed by the units' steps with the engine
// sounds, and the starting formation at the scene's start.
void Scene::createUnits(const SceneConfig& config) {
  sound_ = config.sound;
  trailsOn_ = config.trailsOn;
  trails_ = TrailManager::create(config.trailLength, textures_.get());
  unitEffects_ = std::make_unique<UnitEffectFeed>(*trails_, sound_);
  GroundHeightFn ground = [](float, float) { return 0.0f; };
  float ceiling = kDefaultWorldCeiling;
  if (terrain_) {
    TilePyramid* heights = &terrain_->heights();
    ground = [heights](float x, float z) { return heights->groundHeight(x, z); };
    ceiling = terrain_->sceneryDistance();
  }
  units_ = std::make_unique<UnitList>(UnitListServices{aircraft_->descriptions, aircraft_->models,
                                                       aircraft_->catalogue(), ground, processRandom(), ceiling});
  units_->setEffects(unitEffects_.get());
  units_->buildStartingFormation(config.startX, config.startZ, config.chosenAircraft);
  eye_ = {config.startX, 0.0f, config.startZ};
}

Scene::~Scene() {
  instruments_.reset();
  musicPanel_.reset();
  widgets_.reset();
  units_.reset();
  unitEffects_.reset();
  trails_.reset();
  aircraft_.reset();
  clouds_.reset();
  if (TerrainWorld::current() == terrain_.get()) TerrainWorld::setCurrent(nullptr);
  terrain_.reset();
  sky_.reset();
  if (GlyphFont::current() == largeFont_.get()) GlyphFont::setCurrent(nullptr);
  if (TextureRegistry::current() == textures_.get()) TextureRegistry::setCurrent(nullptr);
}

HResult Scene::restore(RenderDevice& device, const SceneSettings& settings) {
  textures_->restoreAll(&device);  // also makes device the one textures are created on
  largeFont_->restore(device);     // without a font the texts are simply not drawn
  if (sky_) sky_->setProjections(settings.nearProjection, settings.farProjection);
  if (terrain_) {
    const HResult hr = terrain_->restore(device);
    if (failed(hr)) return hr;
  }
  if (aircraft_) aircraft_->restore(device);  // a missing skin leaves its subsets untextured
  if (clouds_) clouds_->restore(device);      // without the picture the clouds drift unseen
  if (widgets_) widgets_->restore(device, settings.fieldOfView);
  if (!frustum_) {
    Viewport vp;
    device.getViewport(vp);
    frustum_ = std::make_unique<ViewFrustum>(static_cast<float>(vp.width), static_cast<float>(vp.height),
                                             settings.fieldOfView);
  }
  return kOk;
}

void Scene::invalidate() {
  textures_->releaseAll();
  largeFont_->invalidate();
  if (terrain_) terrain_->invalidate();
  if (aircraft_) aircraft_->invalidate();
  if (clouds_) clouds_->invalidate();
  if (widgets_) widgets_->invalidate();
  frustum_.reset();
}

void Scene::advanceFrame(double elapsedSeconds, std::uint64_t milliseconds) {
  elapsed_ = elapsedSeconds;
  cloudSeconds_ += elapsedSeconds;
  milliseconds_ = milliseconds;
  if (units_) {
    const float dt = static_cast<float>(elapsedSeconds);
    trails_->setClock(static_cast<std::int64_t>(milliseconds), dt);  // new smoke points take this time
    unitEffects_->setEye(eye_);
    units_->advanceFrame(dt);
  }
}

void Scene::render(RenderDevice& device, const Matrix& cameraWorld, const InstrumentFeed* feed) {
  if (frustum_) frustum_->update(cameraWorld);
  eye_ = {cameraWorld.m[3][0], cameraWorld.m[3][1], cameraWorld.m[3][2]};
  if (sound_) {
    sound_->updateListener(eye_, {cameraWorld.m[2][0], cameraWorld.m[2][1], cameraWorld.m[2][2]},
                           {cameraWorld.m[1][0], cameraWorld.m[1][1], cameraWorld.m[1][2]}, static_cast<float>(elapsed_));
  }
  if (sky_ && clock_) {
    // The sun moves only when the day changes; tiles composed from then on take its light (the
    // season moves too slowly to recompose the ones there are).
    const SkyDate today = clock_();
    if ((today.month != date_.month || today.day != date_.day) && sky_->setDate(today)) {
      date_ = today;
      if (terrain_) terrain_->textures().setSun(sky_->sunLight());
    }
  }
  if (terrain_ && frustum_) {
    terrain_->render(device, *frustum_);  // the sky first, then the ground
    terrain_->drawBuildings(device, *frustum_);
  } else if (sky_ && frustum_) {
    StateBlock states(device);
    states.render(RenderState::ZEnable, ZBuffer::False);
    sky_->drawSky(device, *frustum_);
  }
  {
    // Clouds and trees are blended over what is drawn and leave the depths as they are.
    StateBlock states(device);
    states.render(RenderState::ZWriteEnable, 0);
    if (clouds_) {
      // Drawing the same frame again (after a failed present) does not drift the clouds twice.
      clouds_->render(device, eye_.x, eye_.z, static_cast<float>(cloudSeconds_));
      cloudSeconds_ = 0.0;
    }
    if (terrain_ && frustum_) terrain_->drawTrees(device, *frustum_);
  }
  if (units_) {
    units_->render(device, eye_, &trails_->flame());
    if (trailsOn_) trails_->render(device);
  }
  if (musicPanel_) musicPanel_->advanceFrame(static_cast<float>(elapsed_));
  if (instruments_ && feed) feedInstruments(*feed, eye_);
  if (widgets_) widgets_->render(device, static_cast<float>(elapsed_));
  drawHelpHint(device);
}

void Scene::feedInstruments(const InstrumentFeed& feed, const Vec3& eye) {
  instruments_->update(feed.camera);
  instruments_->updateThrottle(feed.throttle);
  instruments_->updateStatusText(positionText(feed.framesPerSecond, eye.x, eye.y, eye.z));
}

// Yellow, blended by its fading alpha, over everything else.
void Scene::drawHelpHint(RenderDevice& d) {
  const int alpha = helpHintAlpha(hintSeconds_);
  if (alpha < 0) return;
  StateBlock states(d);
  states.render(RenderState::AlphaBlendEnable, 1)
      .render(RenderState::SrcBlend, Blend::SrcAlpha)
      .render(RenderState::DestBlend, Blend::InvSrcAlpha)
      .stage(0, TextureStageState::AlphaOp, TextureOp::Modulate)
      .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
      .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse);
  largeFont_->drawText(kHintX, kHintY, static_cast<std::uint32_t>(alpha) << 24 | kHelpHintColour, kHintText);
  hintSeconds_ += elapsed_;
}

Matrix viewAboveGround(const Matrix& view, float groundMetres) {
  if (view.m[3][1] > groundMetres + 1.0f) return view;
  float hx = view.m[2][0], hz = view.m[2][2];
  const float flat = std::sqrt(hx * hx + hz * hz);
  if (flat < 1e-4f) {
    hx = 0.0f;
    hz = 1.0f;
  } else {
    hx /= flat;
    hz /= flat;
  }
  const float a = kViewPitchDegrees * 0.017453292f;
  const float c = std::cos(a), s = std::sin(a);
  Matrix m = Matrix::identity();
  m.m[0][0] = hz, m.m[0][1] = 0, m.m[0][2] = -hx;          // right
  m.m[1][0] = hx * s, m.m[1][1] = c, m.m[1][2] = hz * s;   // up, tilted forward
  m.m[2][0] = hx * c, m.m[2][1] = -s, m.m[2][2] = hz * c;  // forward, pitched down
  m.m[3][0] = view.m[3][0];
  m.m[3][1] = groundMetres + kViewAboveGround;
  m.m[3][2] = view.m[3][2];
  return m;
}

SceneSettings sceneSettingsFor(int viewAngleDegrees, std::uint32_t width, std::uint32_t height) {
  SceneSettings s;
  s.fieldOfView = static_cast<float>(viewAngleDegrees) * 0.017453292f;
  s.aspect = height ? static_cast<float>(width) / static_cast<float>(height) : 1.3333f;
  s.nearProjection = cameraProjection(s.fieldOfView, s.aspect, kNearPlane, kNearProjectionFar);
  s.farProjection = cameraProjection(s.fieldOfView, s.aspect, kNearPlane, kFarProjectionFar);
  return s;
}

void applySceneStates(RenderDevice& d, const Matrix& projection, const Matrix& view) {
  d.setTransform(TransformState::Projection, projection);
  d.setTransform(TransformState::World, Matrix::identity());
  d.setTransform(TransformState::View, view);

  d.setRenderState(RenderState::Lighting, 0);
  d.setRenderState(RenderState::SpecularEnable, 1);
  d.setRenderState(RenderState::ZFunc, Cmp::LessEqual);
  d.setRenderState(RenderState::CullMode, Cull::Ccw);
  d.setRenderState(RenderState::ShadeMode, ShadeMode::Gouraud);
  d.setRenderState(RenderState::SrcBlend, Blend::One);
  d.setRenderState(RenderState::DestBlend, Blend::One);

  d.setTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
  d.setTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Texture);
  d.setTextureStageState(0, TextureStageState::ColorArg2, TextureArg::Current);
  d.setTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Disable);
  d.setTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Texture);
  d.setTextureStageState(0, TextureStageState::AlphaArg2, TextureArg::Current);
  d.setTextureStageState(0, TextureStageState::TexCoordIndex, 0);
  // Anisotropic filtering of up to 6 samples where the device offers it; a device without it
  // filters linearly rather than being handed a filter it does not have.
  DeviceCaps caps;
  const bool anisotropic = succeeded(d.getDeviceCaps(caps)) && caps.maxAnisotropy >= 1 &&
                           (caps.textureFilterCaps & FilterCaps::MinAnisotropic) != 0 &&
                           (caps.textureFilterCaps & FilterCaps::MagAnisotropic) != 0;
  const std::uint32_t filter = anisotropic ? TextureFilter::Anisotropic : TextureFilter::Linear;
  d.setSamplerState(0, SamplerState::MinFilter, filter);
  d.setSamplerState(0, SamplerState::MagFilter, filter);
  d.setSamplerState(0, SamplerState::MipFilter, filter);
  d.setSamplerState(0, SamplerState::MaxAnisotropy, anisotropic ? std::min<std::uint32_t>(6, caps.maxAnisotropy) : 1);

  d.setTextureStageState(1, TextureStageState::ColorOp, TextureOp::Disable);
  d.setTextureStageState(1, TextureStageState::ColorArg1, TextureArg::Texture);
  d.setTextureStageState(1, TextureStageState::ColorArg2, TextureArg::Current);
  d.setTextureStageState(1, TextureStageState::AlphaOp, TextureOp::Disable);
  d.setTextureStageState(1, TextureStageState::AlphaArg1, TextureArg::Texture);
  d.setTextureStageState(1, TextureStageState::AlphaArg2, TextureArg::Current);
  d.setTextureStageState(1, TextureStageState::TexCoordIndex, 1);
  d.setSamplerState(1, SamplerState::MinFilter, TextureFilter::Linear);
  d.setSamplerState(1, SamplerState::MagFilter, TextureFilter::Linear);
  d.setSamplerState(1, SamplerState::MipFilter, TextureFilter::Linear);

  d.lightEnable(0, true);
  d.setRenderState(RenderState::FogEnable, 1);
  d.setRenderState(RenderState::FogColor, 0xFFFFFFFF);
  d.setRenderState(RenderState::FogTableMode, FogMode::None);
  d.setRenderState(RenderState::FogVertexMode, FogMode::Linear);
  d.setRenderState(RenderState::RangeFogEnable, 1);
}

}  // namespace skyloom
