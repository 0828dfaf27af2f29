#include "app/device_recovery.h"

#include "platform/gfx/d3d_constants.h"

namespace skyloom {
namespace {

enum class UnitState { Ready, Lost, Failed };

// Drops, resets and re-acquires one unit. A reset that fails with "device lost" waits for the
// next frame, unless that has happened kMaxFailedResets times in a row; any other failure, and
// a failed acquire, is reported in `error`.
UnitState resetUnit(UnitDevice& unit, int index, FrameHooks& hooks, HResult& error) {
  hooks.beforeReset(index);
  if (unit.restored) {
    hooks.dropVideoResources();
    unit.restored = false;
  }
  const HResult hr = unit.device->reset();
  if (failed(hr)) {
    ++unit.failedResets;
    if (hr == kD3DDeviceLost && unit.failedResets < kMaxFailedResets) return UnitState::Lost;
    error = hr;
    return UnitState::Failed;
  }
  unit.failedResets = 0;
  hooks.bindUnit(index);  // the back buffer may have changed
  if (failed(hooks.acquireVideoResources())) {
    error = kSaverDeviceObjects;
    return UnitState::Failed;
  }
  unit.restored = true;
  return UnitState::Ready;
}

UnitState prepareUnit(UnitDevice& unit, int index, FrameHooks& hooks, HResult& error) {
  const HResult level = unit.device->testCooperativeLevel();
  if (level == kD3DDeviceLost) return UnitState::Lost;
  if (level == kD3DDeviceNotReset || (succeeded(level) && !unit.restored)) {
    return resetUnit(unit, index, hooks, error);
  }
  if (failed(level)) {  // a driver error: the device will not come back
    error = level;
    return UnitState::Failed;
  }
  return UnitState::Ready;
}

}  // namespace

FrameResult drawFrame(std::span<UnitDevice> units, FrameHooks& hooks) {
  FrameResult result;
  hooks.advanceFrame();
  for (int i = 0; i < static_cast<int>(units.size()); ++i) {
    hooks.bindUnit(i);
    const UnitState state = prepareUnit(units[i], i, hooks, result.error);
    if (state == UnitState::Failed) return result;
    if (state == UnitState::Lost) return result;  // nothing to show until it is back
    hooks.render();
  }
  for (int i = 0; i < static_cast<int>(units.size()); ++i) {
    hooks.bindUnit(i);
    // A device lost during the frame says so here; the next frame's test deals with it.
    units[i].device->present();
  }
  result.presented = true;
  return result;
}

HResult resetForResize(UnitDevice& unit, int index, FrameHooks& hooks) {
  hooks.bindUnit(index);
  HResult error = kOk;
  const UnitState state = resetUnit(unit, index, hooks, error);
  if (state != UnitState::Failed) return kOk;
  return error == kSaverDeviceObjects ? error : kSaverResizeFailed;
}

}  // namespace skyloom
