#pragma once
// leavesStatesAsFound: runs a draw on the recording device and fails, naming each state, when the
// draw left any device state changed other than the documented frame state (frame_state.h).

#include <gtest/gtest.h>

#include <sstream>

#include "platform/gfx/frame_state.h"
#include "platform/gfx/recording_device.h"

namespace skyloom {

template <typename Draw>
::testing::AssertionResult leavesStatesAsFound(RecordingDevice& device, Draw&& draw) {
  const RecordedState before = device.state();
  draw();
  const RecordedState& after = device.state();
  std::ostringstream changed;
  for (std::uint32_t i = 0; i < kRenderStateLimit; ++i) {
    if (before.renderStates[i] != after.renderStates[i] && !isFrameRenderState(static_cast<RenderState>(i))) {
      changed << " render state " << i << ": " << before.renderStates[i] << " -> " << after.renderStates[i] << ";";
    }
  }
  for (std::uint32_t s = 0; s < kMaxTextureStages; ++s) {
    for (std::uint32_t i = 0; i < kTextureStageStateLimit; ++i) {
      if (before.stageStates[s][i] != after.stageStates[s][i]) changed << " stage " << s << " state " << i << ";";
    }
    for (std::uint32_t i = 0; i < kSamplerStateLimit; ++i) {
      if (before.samplerStates[s][i] != after.samplerStates[s][i]) changed << " sampler " << s << " state " << i << ";";
    }
    if (before.textures[s] != after.textures[s]) changed << " texture of stage " << s << ";";
  }
  for (const auto& [index, slot] : after.lights) {
    if (index == kSunLight) continue;
    const LightSlot* old = before.light(index);
    if (!old || old->enabled != slot.enabled) changed << " light " << index << ";";
  }
  const Viewport &a = before.viewport, &b = after.viewport;
  if (a.x != b.x || a.y != b.y || a.width != b.width || a.height != b.height) changed << " viewport;";
  if (changed.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the draw left these states changed:" << changed.str();
}

}  // namespace skyloom
