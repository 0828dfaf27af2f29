#include "aircraft/unit_pass.h"

namespace skyloom {

UnitPass::UnitPass(RenderDevice& device) : states_(device) {
  states_.render(RenderState::Lighting, 1)
      .render(RenderState::Ambient, kUnitAmbient)
      .render(RenderState::NormalizeNormals, 1)
      .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
      .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse);
}

}  // namespace skyloom
