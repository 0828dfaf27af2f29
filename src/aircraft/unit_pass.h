#pragma once
// The states the units are drawn with, set for the length of the pass and put back after it:
// lit meshes whose texture is modulated by the lit material colour (or by the vertex colour of
// the built-in blade and flame meshes), with normals renormalised because the rotor discs are
// drawn scaled.

#include "platform/gfx/render_device.h"
#include "platform/gfx/state_block.h"

namespace skyloom {

// What the sun leaves in the shade: enough that the underside of a wing still shows its paint.
constexpr std::uint32_t kUnitAmbient = 0xFF5A5A5A;

class UnitPass {
 public:
  explicit UnitPass(RenderDevice& device);
  UnitPass(const UnitPass&) = delete;
  UnitPass& operator=(const UnitPass&) = delete;

 private:
  StateBlock states_;
};

}  // namespace skyloom
