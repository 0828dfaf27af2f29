#pragma once
// The scene of one render unit: owns the parts of the flight scene and moves and draws them in
// their fixed order. Parts still to come are simply absent; what exists now is the frame itself,
// the culling volume and the "F1 for help" hint's clock.

#include <memory>

#include "app/view_frustum.h"
#include "core/math.h"
#include "platform/gfx/render_device.h"
#include "resources/glyph_font.h"
#include "resources/texture_registry.h"

namespace skyloom {

struct SceneSettings {
  float fieldOfView = 1.5707963f;  // radians
  float aspect = 1.3333f;
};

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Device objects: made after a device creation or reset, dropped before the next.
  HResult restore(RenderDevice& device, const SceneSettings& settings);
  void invalidate();

  // Once per frame before any unit draws: e seconds since the last frame, t the time in ms.
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

// Projection of the camera: field of view in radians, aspect width/height, near and far planes.
Matrix cameraProjection(float fieldOfView, float aspect, float zNear, float zFar);

}  // namespace skyloom
