#pragma once
// ExhaustFlame: the flame behind a jet nozzle, a textured cone added onto the scene. The cone's
// tip lies on the model's -x axis (behind the aircraft) at the length asked for; the disc at the
// nozzle shows when the flame is seen from behind. It also serves as the unit drawing's flame
// sink: the flame is placed at an attachment point and scaled with it.

#include <array>
#include <cstdint>

#include "aircraft/unit_draw.h"
#include "effects/trail_vertex.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

struct TextureEntry;

class ExhaustFlame final : public FlameSink {
 public:
  static constexpr int kVertices = 18;    // tip, nozzle centre, 16 on the rim
  static constexpr int kRimVertices = 16;
  static constexpr int kTriangles = 32;   // 16 cone sides, 16 nozzle disc pieces
  static constexpr float kRimStep = 0.3927f;  // a sixteenth of a turn
  static constexpr float kBuiltLength = 10.0f;

  ExhaustFlame();
  ExhaustFlame(const ExhaustFlame&) = delete;
  ExhaustFlame& operator=(const ExhaustFlame&) = delete;

  // The texture entry to draw with (null: untextured); its texture is read at every draw.
  void setTexture(const TextureEntry* entry) { texture_ = entry; }

  // Draws the flame with its tip at -length along x in the current world frame. A length that
  // is not a finite number draws nothing.
  void draw(RenderDevice& device, float length);
  // The flame at point in the unit's frame, scaled uniformly: world = scale · move to the
  // point · the unit's matrix.
  void drawFlame(RenderDevice& device, const Matrix& unitWorld, const Vec3& point, float scale,
                 float length) override;

  const std::array<TrailVertex, kVertices>& vertices() const { return vertices_; }
  const std::array<std::uint16_t, kTriangles * 3>& indices() const { return indices_; }

 private:
  std::array<TrailVertex, kVertices> vertices_{};
  std::array<std::uint16_t, kTriangles * 3> indices_{};
  const TextureEntry* texture_ = nullptr;
};

}  // namespace skyloom
