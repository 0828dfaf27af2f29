#pragma once
// One frame over the render units, and the device-loss cycle it runs through: a lost device
// skips the frame without presenting; a device that can be reset drops the video resources,
// is reset and acquires them again; anything else is a failure the framework shows in its error
// box. The window resize goes through the same reset. Portable: it sees the devices only as
// RenderDevice and the application only through FrameHooks.

#include <span>

#include "app/saver_errors.h"
#include "core/result.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

// Reset calls in a row that may fail with "device lost" before the unit is given up. A reset is
// tried only when the device says it can be reset, so a long screen lock (lost without that
// answer) costs none of them.
constexpr int kMaxFailedResets = 50;

// What the frame asks of the application.
class FrameHooks {
 public:
  virtual ~FrameHooks() = default;
  virtual void bindUnit(int unit) = 0;  // the unit's device becomes current
  virtual void advanceFrame() = 0;      // once per frame, before any unit draws
  virtual void render() = 0;            // the current unit's scene
  virtual HResult acquireVideoResources() = 0;
  virtual void dropVideoResources() = 0;
  // Just before a unit's device is reset: a windowed unit re-reads the desktop mode here.
  virtual void beforeReset(int /*unit*/) {}
};

struct UnitDevice {
  RenderDevice* device = nullptr;
  bool restored = false;  // the video resources are acquired
  int failedResets = 0;   // reset calls in a row that failed
};

struct FrameResult {
  bool presented = false;
  HResult error = kOk;  // a failure: the framework enters its error mode with it
};

// advanceFrame once, then per unit: bind, bring its device back if it was lost, render; then
// present every unit. A unit whose device is lost ends the frame at once, presenting nothing.
FrameResult drawFrame(std::span<UnitDevice> units, FrameHooks& hooks);

// After a windowed resize (the caller has changed the back buffer's size): drop, reset, acquire.
// A reset that fails with "device lost" leaves the unit to the next frame's recovery. Returns the
// failure to show, or kOk.
HResult resetForResize(UnitDevice& unit, int index, FrameHooks& hooks);

}  // namespace skyloom
