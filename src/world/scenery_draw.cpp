#include "world/scenery_draw.h"

#include <algorithm>
#include <cmath>

#include "world/ground_class.h"
#include "world/height_pyramid.h"

namespace skyloom {
namespace {

constexpr int kTileSpanShift = 7;  // a height tile spans 128 samples of its level
constexpr int kLast = kTileSamples - 1;

}  // namespace

SceneryBatch::SceneryBatch() {
  vertices_.resize(static_cast<std::size_t>(kMaxQuads) * 4);
  indices_.resize(static_cast<std::size_t>(kMaxQuads) * 6);
  for (int q = 0; q < kMaxQuads; ++q) {
    const auto b = static_cast<std::uint16_t>(4 * q);
    std::uint16_t* i = &indices_[static_cast<std::size_t>(q) * 6];
    i[0] = b;
    i[1] = static_cast<std::uint16_t>(b + 2);
    i[2] = static_cast<std::uint16_t>(b + 1);
    i[3] = static_cast<std::uint16_t>(b + 1);
    i[4] = static_cast<std::uint16_t>(b + 2);
    i[5] = static_cast<std::uint16_t>(b + 3);
  }
}

void SceneryBatch::begin(RenderDevice& device, StateBlock& states, Texture* texture, bool blended) {
  const std::uint32_t address = blended ? TextureAddress::Clamp : TextureAddress::Wrap;
  states.render(RenderState::AlphaBlendEnable, blended ? 1 : 0)
      .render(RenderState::CullMode, Cull::None)
      .render(RenderState::Lighting, 0)
      .render(RenderState::FogEnable, 0)
      .render(RenderState::SpecularEnable, 1)
      .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
      .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse)
      .stage(0, TextureStageState::AlphaOp, blended ? TextureOp::Modulate : TextureOp::SelectArg2)
      .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
      .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
      .stage(1, TextureStageState::ColorOp, TextureOp::Disable)
      .stage(1, TextureStageState::AlphaOp, TextureOp::Disable)
      .sampler(0, SamplerState::AddressU, address)
      .sampler(0, SamplerState::AddressV, address);
  if (blended) states.render(RenderState::SrcBlend, Blend::SrcAlpha).render(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.setTransform(TransformState::World, Matrix::identity());
  device.setTexture(0, texture);
  device.setFvf(kSceneryFvf);
  device_ = &device;
  quads_ = 0;
  drawn_ = 0;
}

SceneryVertex* SceneryBatch::quad() {
  if (quads_ == kMaxQuads) flush();
  return &vertices_[static_cast<std::size_t>(quads_++) * 4];
}

void SceneryBatch::flush() {
  if (quads_ > 0 && device_ != nullptr) {
    device_->drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, static_cast<std::uint32_t>(quads_) * 4,
                                    static_cast<std::uint32_t>(quads_) * 2, indices_.data(), Format::Index16,
                                    vertices_.data(), sizeof(SceneryVertex));
    drawn_ += quads_;
  }
  quads_ = 0;
}

SceneryHaze sceneryHaze(const HazeRamp& ramp, const HazeView& view, const Vec3& p, float limitFraction) {
  const std::uint32_t entry = ramp.forHeight(p.y);
  const auto limit = static_cast<std::uint32_t>(static_cast<float>(entry >> 24) * limitFraction);
  const std::uint32_t l = std::min(hazeAmount(ramp, view, p), limit);
  const std::uint32_t r = ((entry >> 16) & 0xFFu) * l >> 8, g = ((entry >> 8) & 0xFFu) * l >> 8,
                      b = (entry & 0xFFu) * l >> 8;
  return {l, (r << 16) | (g << 8) | b};
}

std::uint32_t darkened(std::uint32_t colour, std::uint32_t amount) {
  const std::uint32_t keep = 255 - std::min<std::uint32_t>(amount, 255);
  const std::uint32_t r = ((colour >> 16) & 0xFFu) * keep >> 8, g = ((colour >> 8) & 0xFFu) * keep >> 8,
                      b = (colour & 0xFFu) * keep >> 8;
  return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

std::array<std::uint8_t, 3> sceneryNoise(const LandImage& noise, std::int64_t x, std::int64_t z) {
  if (noise.loaded()) {
    const std::uint8_t* p = noise.pixel(x, z);
    return {p[0], p[1], p[2]};
  }
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(z) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), static_cast<std::uint8_t>(h >> 16)};
}

GroundSamples GroundSamples::fetch(TilePyramid& pyramid, int level, std::int32_t x, std::int32_t z) {
  GroundSamples g;
  g.level = std::clamp(level, 0, pyramid.levelCount() - 1);
  g.tile = pyramid.fetchGenerating(g.level, x, z);
  if (g.tile != nullptr) {
    const std::int64_t mask = ~((std::int64_t{1} << (kTileSpanShift + g.level)) - 1);
    g.originX = x & mask;
    g.originZ = z & mask;
  }
  return g;
}

std::uint32_t GroundSamples::at(std::int64_t x, std::int64_t z) const {
  const auto col = static_cast<int>(std::clamp<std::int64_t>((x - originX) >> level, 0, kLast));
  const auto row = static_cast<int>(std::clamp<std::int64_t>((z - originZ) >> level, 0, kLast));
  return tile[row * kTileSamples + col];
}

float GroundSamples::heightAt(std::int64_t x, std::int64_t z, float fx, float fz) const {
  const std::int64_t step = std::int64_t{1} << level;
  const std::int64_t x0 = x & -step, z0 = z & -step;
  const float tx = (static_cast<float>(x - x0) + fx) / static_cast<float>(step);
  const float tz = (static_cast<float>(z - z0) + fz) / static_cast<float>(step);
  const auto h = [&](std::int64_t sx, std::int64_t sz) { return static_cast<float>(sampleHeight(at(sx, sz))); };
  const float bottom = h(x0, z0) + (h(x0 + step, z0) - h(x0, z0)) * tx;
  const float top = h(x0, z0 + step) + (h(x0 + step, z0 + step) - h(x0, z0 + step)) * tx;
  return bottom + (top - bottom) * tz;
}

}  // namespace skyloom
