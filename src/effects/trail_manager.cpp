#include "effects/trail_manager.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/state_block.h"
#include "resources/texture_registry.h"

namespace skyloom {

namespace {

// Two double-sided quads per segment: the vertical ribbon (vertices 0, 1 of both points) and
// the horizontal one (2, 3), each drawn with both windings so culling never hides a side.
constexpr std::uint16_t kSegmentIndices[TrailManager::kIndicesPerSegment] = {
    0, 1, 5, 0, 5, 4, 0, 5, 1, 0, 4, 5,  // vertical
    2, 7, 3, 2, 6, 7, 2, 3, 7, 2, 7, 6,  // horizontal
};

// The trail texture is smoke density: white, with the picture's brightness as alpha, in a full
// box-filtered mip chain sampled with linear filtering between levels, so far trails do not
// sparkle. The flame's picture is its colour, added onto the scene, one level.
constexpr std::uint32_t kTrailTextureLevels = 0;
constexpr std::uint32_t kFlameTextureLevels = 1;

}  // namespace

std::unique_ptr<TrailManager> TrailManager::create(int trailLength, TextureRegistry* registry) {
  return std::unique_ptr<TrailManager>(new TrailManager(trailSizes(trailLength), registry));
}

TrailManager::TrailManager(const TrailSizes& sizes, TextureRegistry* registry) : sizes_(sizes) {
  trails_.reserve(kCapacity);
  buildIndices();
  if (registry) {
    trailTexture_ = registry->registerTexture(kTrailTextureName, kTrailTextureLevels, Format::A8R8G8B8,
                                              kTextureAlphaOnly);
    flame_.setTexture(registry->registerTexture(kFlameTextureName, kFlameTextureLevels, Format::A8R8G8B8, 0));
  }
}

void TrailManager::buildIndices() {
  const int segments = sizes_.points - 1;
  indices_.resize(static_cast<std::size_t>(segments) * kIndicesPerSegment);
  for (int i = 0; i < segments; ++i) {
    for (int k = 0; k < kIndicesPerSegment; ++k) {
      indices_[static_cast<std::size_t>(i * kIndicesPerSegment + k)] =
          static_cast<std::uint16_t>(4 * i + kSegmentIndices[k]);
    }
  }
}

SmokeTrail* TrailManager::newTrail() {
  if (trails_.size() >= static_cast<std::size_t>(kCapacity)) return nullptr;
  trails_.push_back(std::make_unique<SmokeTrail>(*this, static_cast<int>(trails_.size())));
  return trails_.back().get();
}

// A frame time that is not a number or runs backwards moves nothing.
void TrailManager::setClock(std::int64_t nowMs, float dt) {
  nowMs_ = nowMs;
  dt_ = std::isfinite(dt) && dt > 0.0f ? dt : 0.0f;
  advancePending_ = true;
}

void TrailManager::render(RenderDevice& device) {
  drawn_ = 0;
  // The trails move once per clock tick; drawing the same frame again (another attempt after a
  // failed present, say) shows them as they are.
  const bool advance = advancePending_;
  advancePending_ = false;
  if (trails_.empty()) return;

  StateBlock states(device);
  states.render(RenderState::ZWriteEnable, 0)
      .render(RenderState::Lighting, 0)
      .render(RenderState::AlphaBlendEnable, 1)
      .render(RenderState::SrcBlend, Blend::SrcAlpha)
      .render(RenderState::DestBlend, Blend::InvSrcAlpha)
      .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
      .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse)
      .stage(0, TextureStageState::AlphaOp, TextureOp::Modulate)
      .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
      .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
      .sampler(0, SamplerState::AddressU, TextureAddress::Wrap)
      .sampler(0, SamplerState::MipFilter, TextureFilter::Linear);
  // Trail points are kept in world space.
  device.setTransform(TransformState::World, Matrix::identity());
  device.setTexture(0, trailTexture_ ? trailTexture_->texture.get() : nullptr);
  device.setFvf(kTrailFvf);
  for (const auto& trail : trails_) {
    const bool visible = advance ? trail->advance(nowMs_, dt_) : trail->visible();
    if (!visible) continue;
    const auto count = static_cast<std::uint32_t>(trail->count());
    device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, count * 4, (count - 1) * kTrianglesPerSegment,
                                  indices_.data(), Format::Index16, trail->vertices().data(),
                                  sizeof(TrailVertex));
    ++drawn_;
  }
  device.setTexture(0, nullptr);
}

}  // namespace skyloom
