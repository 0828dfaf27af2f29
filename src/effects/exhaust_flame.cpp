#include "effects/exhaust_flame.h"

#include <cmath>

#include "platform/gfx/state_block.h"
#include "resources/texture_registry.h"

namespace skyloom {

namespace {

// The texture is read along its middle row: nearly transparent at the tip, white-hot at the
// nozzle; the rim alternates a little across the row, which makes the cone's sides streak.
constexpr TrailVertex kTip{-ExhaustFlame::kBuiltLength, 0, 0, 0x00FFFFFF, 0.95f, 0.5f};
constexpr TrailVertex kNozzle{0, 0, 0, 0x8FFFFFFF, 0.15f, 0.5f};
constexpr std::uint32_t kRimColour = 0xFFFFFFFF;
constexpr float kRimU = 0.45f;
constexpr float kRimVEven = 0.52f;
constexpr float kRimVOdd = 0.5f;

}  // namespace

ExhaustFlame::ExhaustFlame() {
  vertices_[0] = kTip;
  vertices_[1] = kNozzle;
  for (int k = 0; k < kRimVertices; ++k) {
    const float a = static_cast<float>(k) * kRimStep;
    vertices_[static_cast<std::size_t>(k + 2)] =
        TrailVertex{0, std::sin(a), std::cos(a), kRimColour, kRimU, k % 2 == 0 ? kRimVEven : kRimVOdd};
  }
  std::size_t i = 0;
  for (int k = 0; k < kRimVertices; ++k) {
    const auto a = static_cast<std::uint16_t>(k + 2);
    const auto b = static_cast<std::uint16_t>(k + 1 < kRimVertices ? k + 3 : 2);
    for (std::uint16_t apex : {std::uint16_t{0}, std::uint16_t{1}}) {
      indices_[i++] = apex;
      indices_[i++] = a;
      indices_[i++] = b;
    }
  }
}

void ExhaustFlame::draw(RenderDevice& device, float length) {
  if (!std::isfinite(length)) return;
  vertices_[0].x = -length;
  // Added onto what lies behind it, without hiding it: the colour itself is the weight, so the
  // black of the texture adds nothing. Every state goes back to what the caller had.
  StateBlock states(device);
  states.render(RenderState::AlphaBlendEnable, 1)
      .render(RenderState::Lighting, 0)
      .render(RenderState::SrcBlend, Blend::SrcColor)
      .render(RenderState::DestBlend, Blend::One)
      .render(RenderState::ZWriteEnable, 0)
      .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
      .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse);
  device.setTexture(0, texture_ ? texture_->texture.get() : nullptr);
  device.setFvf(kTrailFvf);
  device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, kVertices, kTriangles, indices_.data(),
                                Format::Index16, vertices_.data(), sizeof(TrailVertex));
  device.setTexture(0, nullptr);
}

void ExhaustFlame::drawFlame(RenderDevice& device, const Matrix& unitWorld, const Vec3& point, float scale,
                             float length) {
  device.setTransform(TransformState::World,
                      scaling(scale, scale, scale) * translation(point.x, point.y, point.z) * unitWorld);
  draw(device, length);
}

}  // namespace skyloom
