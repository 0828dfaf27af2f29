#pragma once
// StateBlock: sets the render, texture-stage and sampler states one draw needs and puts the
// previous values back when it goes out of scope, so a scene part leaves the device as the next
// part expects it. Only what is set through the block is restored; the frame state (frame_state.h)
// is set without one and stays.
//
//   StateBlock states(device);
//   states.render(RenderState::AlphaBlendEnable, 1).render(RenderState::FogEnable, 0);
//   ... draw ...
//   // the two states are back at their former values here

#include <array>
#include <cstdint>

#include "platform/gfx/render_device.h"

namespace skyloom {

class StateBlock {
 public:
  // More than any one draw of the scene changes; exceeding it is a programming error.
  static constexpr int kCapacity = 24;

  explicit StateBlock(RenderDevice& device) : device_(device) {}
  ~StateBlock() { restore(); }
  StateBlock(const StateBlock&) = delete;
  StateBlock& operator=(const StateBlock&) = delete;

  StateBlock& render(RenderState state, std::uint32_t value);
  StateBlock& stage(std::uint32_t stage, TextureStageState type, std::uint32_t value);
  StateBlock& sampler(std::uint32_t sampler, SamplerState type, std::uint32_t value);

  // Puts every saved state back now (latest first); the block is empty afterwards.
  void restore();

 private:
  enum class Kind : std::uint8_t { Render, Stage, Sampler };
  struct Saved {
    Kind kind;
    std::uint32_t unit;  // stage or sampler
    std::uint32_t type;
    std::uint32_t value;
  };
  bool save(Kind kind, std::uint32_t unit, std::uint32_t type);

  RenderDevice& device_;
  std::array<Saved, kCapacity> saved_{};
  int count_ = 0;
};

}  // namespace skyloom
