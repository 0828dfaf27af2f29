#pragma once
// The scene of one render unit: owns the parts of the flight scene and moves and draws them in
// their fixed order. Parts still to come are simply absent; what exists now is the frame itself,
// the culling volume and the "F1 for help" hint's clock.
//
// The scene publishes its texture registry and its large font as the process-wide ones while it
// lives, and clears them when it goes; the registry publishes the device textures are made on
// between restore and invalidate. A part draws with what restore hands it.

#include <memory>

#include "world/view_frustum.h"
#include "core/math.h"
#include "platform/gfx/render_device.h"
#include "resources/glyph_font.h"
#include "resources/texture_registry.h"

namespace skyloom {

// The camera's two projections share the field of view, which spans the viewport's width (the
// culling frustum's side planes use the same angle); the near one draws the world, the far one
// the sky's sun and glow.
constexpr float kNearPlane = 0.5f;
constexpr float kNearProjectionFar = 550000.0f;
constexpr float kFarProjectionFar = 1750000.0f;

struct SceneSettings {
  float fieldOfView = 1.5707963f;  // radians, horizontal
  float aspect = 1.3333f;          // width / height
  Matrix nearProjection = Matrix::identity();
  Matrix farProjection = Matrix::identity();
};

// The settings for a view angle in whole degrees and a viewport of width × height pixels.
SceneSettings sceneSettingsFor(int viewAngleDegrees, std::uint32_t width, std::uint32_t height);

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Device objects: made after a device creation or reset, dropped before the next.
  HResult restore(RenderDevice& device, const SceneSettings& settings);
  void invalidate();

  // Once per frame, whichever unit was bound last: e seconds since the last frame, t the time
  // in ms.
  void advanceFrame(double elapsedSeconds, std::uint64_t milliseconds);
  // Draws the scene's parts in order; the caller has begun the scene and set the view.
  void render(RenderDevice& device, const Matrix& cameraWorld);

  // Scene seconds so far, which the hint fades by.
  double hintSeconds() const { return hintSeconds_; }
  const ViewFrustum* frustum() const { return frustum_.get(); }
  GlyphFont& largeFont() { return *largeFont_; }
  TextureRegistry& textures() { return *textures_; }

 private:
  void drawHelpHint(RenderDevice& device);

  std::unique_ptr<TextureRegistry> textures_;  // first: the other parts register with it
  std::unique_ptr<GlyphFont> largeFont_;
  std::unique_ptr<ViewFrustum> frustum_;
  double elapsed_ = 0.0;
  double hintSeconds_ = 0.0;
};

// The render, texture-stage and sampler states every restored device starts from, and the
// camera's transforms.
void applySceneStates(RenderDevice& device, const Matrix& projection, const Matrix& view);

// Projection of the camera: horizontal field of view in radians, aspect width / height, near and
// far planes. Half the near plane's width is tan(fieldOfView / 2) · zNear, half its height that
// divided by the aspect.
Matrix cameraProjection(float fieldOfView, float aspect, float zNear, float zFar);

}  // namespace skyloom
