#include <gtest/gtest.h>

#include "platform/gfx/recording_device.h"
#include "platform/gfx/state_block.h"

namespace skyloom {
namespace {

TEST(StateBlock, PutsBackTheValuesFromBeforeTheBlockEvenWhenSetTwice) {
  RecordingDevice device;
  device.setRenderState(RenderState::SrcBlend, Blend::One);
  {
    StateBlock states(device);
    states.render(RenderState::SrcBlend, Blend::SrcAlpha)
        .render(RenderState::SrcBlend, Blend::Zero)
        .stage(1, TextureStageState::ColorOp, TextureOp::Modulate)
        .sampler(0, SamplerState::MinFilter, TextureFilter::Linear);
    EXPECT_EQ(device.state().renderState(RenderState::SrcBlend), Blend::Zero);
    EXPECT_EQ(device.state().stageState(1, TextureStageState::ColorOp), TextureOp::Modulate);
  }
  EXPECT_EQ(device.state().renderState(RenderState::SrcBlend), Blend::One);
  EXPECT_EQ(device.state().stageState(1, TextureStageState::ColorOp), TextureOp::Disable);
  EXPECT_EQ(device.state().samplerState(0, SamplerState::MinFilter), TextureFilter::Point);

  // restore() may come early; the destructor then has nothing left to put back.
  {
    StateBlock early(device);
    early.render(RenderState::FogEnable, 1);
    early.restore();
    EXPECT_EQ(device.state().renderState(RenderState::FogEnable), 0u);
    device.setRenderState(RenderState::FogEnable, 1);
  }
  EXPECT_EQ(device.state().renderState(RenderState::FogEnable), 1u);
}

}  // namespace
}  // namespace skyloom
