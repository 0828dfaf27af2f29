#pragma once
// TrailManager: every smoke trail of the scene, the index list they share, the exhaust flame
// and the two textures. The unit list creates it with the trail length setting and hands a
// trail to each smoke attachment on first use; the scene sets its clock and draws it once per
// frame after the opaque geometry while trails are switched on. The flame is drawn from the
// unit drawing whatever the trails switch says.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "effects/exhaust_flame.h"
#include "effects/smoke_trail.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

class TextureRegistry;
struct TextureEntry;

class TrailManager {
 public:
  static constexpr int kCapacity = 510;
  static constexpr int kIndicesPerSegment = 24;
  static constexpr int kTrianglesPerSegment = 8;
  static constexpr const char* kTrailTextureName = "pack\\trailfog.bmp";
  static constexpr const char* kFlameTextureName = "pack\\r_fire02.bmp";

  // Sizes everything from the trail length setting, builds the index list and the flame and
  // registers both textures with the registry (none when it is null or full: the trails and the
  // flame then draw untextured). Registration happens here, once; the registry builds and drops
  // the textures with the device.
  static std::unique_ptr<TrailManager> create(int trailLength, TextureRegistry* registry);
  TrailManager(const TrailManager&) = delete;
  TrailManager& operator=(const TrailManager&) = delete;

  // A new trail, kept by the manager for its lifetime; null once kCapacity trails exist.
  SmokeTrail* newTrail();

  // Once per frame: the time new points are stamped with and the frame's seconds.
  void setClock(std::int64_t nowMs, float dt);
  void render(RenderDevice& device);

  const TrailSizes& sizes() const { return sizes_; }
  std::int64_t now() const { return nowMs_; }
  float frameSeconds() const { return dt_; }
  int trailCount() const { return static_cast<int>(trails_.size()); }
  SmokeTrail& trail(int index) { return *trails_[static_cast<std::size_t>(index)]; }
  std::span<const std::uint16_t> indices() const { return indices_; }
  ExhaustFlame& flame() { return flame_; }
  const TextureEntry* trailTexture() const { return trailTexture_; }
  // Trails drawn by the last render.
  int trailsDrawn() const { return drawn_; }

 private:
  TrailManager(const TrailSizes& sizes, TextureRegistry* registry);
  void buildIndices();

  TrailSizes sizes_;
  std::vector<std::uint16_t> indices_;  // (N − 1) segments × 24
  std::vector<std::unique_ptr<SmokeTrail>> trails_;
  ExhaustFlame flame_;
  TextureEntry* trailTexture_ = nullptr;
  std::int64_t nowMs_ = 0;
  float dt_ = 0.0f;
  bool advancePending_ = false;
  int drawn_ = 0;
};

}  // namespace skyloom
