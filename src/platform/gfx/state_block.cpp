#include "platform/gfx/state_block.h"

#include <cassert>

namespace skyloom {

// Remembers the current value the first time a state is set through the block, so setting it
// twice still restores the value from before the block.
bool StateBlock::save(Kind kind, std::uint32_t unit, std::uint32_t type) {
  for (int i = 0; i < count_; ++i) {
    if (saved_[i].kind == kind && saved_[i].unit == unit && saved_[i].type == type) return true;
  }
  assert(count_ < kCapacity && "StateBlock: more states than one draw should change");
  if (count_ >= kCapacity) return false;
  std::uint32_t old = 0;
  HResult hr = kFail;
  switch (kind) {
    case Kind::Render:
      hr = device_.getRenderState(static_cast<RenderState>(type), old);
      break;
    case Kind::Stage:
      hr = device_.getTextureStageState(unit, static_cast<TextureStageState>(type), old);
      break;
    case Kind::Sampler:
      hr = device_.getSamplerState(unit, static_cast<SamplerState>(type), old);
      break;
  }
  if (failed(hr)) return false;  // an invalid state: the set below fails the same way
  saved_[count_++] = {kind, unit, type, old};
  return true;
}

StateBlock& StateBlock::render(RenderState state, std::uint32_t value) {
  save(Kind::Render, 0, static_cast<std::uint32_t>(state));
  device_.setRenderState(state, value);
  return *this;
}

StateBlock& StateBlock::stage(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
  save(Kind::Stage, stage, static_cast<std::uint32_t>(type));
  device_.setTextureStageState(stage, type, value);
  return *this;
}

StateBlock& StateBlock::sampler(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
  save(Kind::Sampler, sampler, static_cast<std::uint32_t>(type));
  device_.setSamplerState(sampler, type, value);
  return *this;
}

void StateBlock::restore() {
  while (count_ > 0) {
    const Saved& s = saved_[--count_];
    switch (s.kind) {
      case Kind::Render:
        device_.setRenderState(static_cast<RenderState>(s.type), s.value);
        break;
      case Kind::Stage:
        device_.setTextureStageState(s.unit, static_cast<TextureStageState>(s.type), s.value);
        break;
      case Kind::Sampler:
        device_.setSamplerState(s.unit, static_cast<SamplerState>(s.type), s.value);
        break;
    }
  }
}

}  // namespace skyloom
