#include "player/sound_devices.h"

#include "player/player_log.h"

namespace skyloom {

SoundSystem platformSoundSystem() {
  return SoundSystem{
      [](std::vector<SoundDeviceInfo>& out) { return enumerateSoundDevices(out); },
      [](const SoundDeviceInfo* device, std::unique_ptr<SoundOutput>& out) { return createSoundOutput(device, out); },
      [] { return findCooperativeWindow(); }};
}

WaveFormat primaryMixFormat() { return WaveFormat{1, 2, 44100, 176400, 4, 16}; }

SoundDevice::SoundDevice(SoundDeviceInfo info, std::unique_ptr<SoundOutput> output)
    : info_(std::move(info)), output_(std::move(output)) {}

// The primary buffer goes before the output that made it.
SoundDevice::~SoundDevice() { primary_.reset(); }

std::int32_t SoundDevice::configure(std::uintptr_t window, PlayerLog* log) {
  std::lock_guard lock(mutex_);
  if (initialised_) return 0;
  if (failed(output_->setCooperativeLevel(window, kCooperativePriority))) {
    if (log) log->log(LogCategory::Output, "error cannot set DirectSound DSSCL_PRIORITY Cooperative Level...\n");
    return 1;
  }
  if (!primary_) {
    SoundBufferDesc desc;
    desc.flags = SoundBufferFlag::PrimaryBuffer;
    if (failed(output_->createSoundBuffer(desc, primary_)) || !primary_) {
      primary_.reset();
      if (log) log->log(LogCategory::Output, "error Creating DirectSound Primary Buffer...\n");
      return 1;
    }
  }
  if (failed(primary_->setFormat(primaryMixFormat()))) {
    if (log) log->log(LogCategory::Output, "Cannot Set DirectSound Primary Buffer Format...\n");
    return 1;
  }
  initialised_ = true;
  return 0;
}

SoundDevices::SoundDevices(SoundSystem system, PlayerLog* log) : system_(std::move(system)) {
  std::vector<SoundDeviceInfo> found;
  if (!system_.enumerate || failed(system_.enumerate(found))) {
    noSound_ = true;
    return;
  }
  for (SoundDeviceInfo& info : found) {
    std::unique_ptr<SoundOutput> output;
    const HResult made = system_.createOutput ? system_.createOutput(info.hasGuid ? &info : nullptr, output) : kFail;
    if (failed(made) || !output) {
      if (log) log->log(LogCategory::Output, "error creating DirectSound Object...\n");
      continue;
    }
    devices_.push_back(std::make_unique<SoundDevice>(std::move(info), std::move(output)));
  }
}

std::uintptr_t SoundDevices::window() {
  std::call_once(windowFound_, [this] { window_ = system_.findWindow ? system_.findWindow() : 0; });
  return window_;
}

}  // namespace skyloom
