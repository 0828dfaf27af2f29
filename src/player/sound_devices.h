#pragma once
// The sound devices of the process: enumerated once, each with its output object made once, and
// each configured once (cooperative level, primary buffer format) by the first track that plays
// on it. Every track's sound output uses this one list, so consecutive tracks share the device
// objects and their settings instead of making new ones that would lack them.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/sound_output.h"

namespace skyloom {

class PlayerLog;

// How the device list reaches the sound system: tests hand in virtual outputs.
struct SoundSystem {
  std::function<HResult(std::vector<SoundDeviceInfo>&)> enumerate;
  std::function<HResult(const SoundDeviceInfo*, std::unique_ptr<SoundOutput>&)> createOutput;
  // The window the devices' focus is tied to (an HWND as an integer; 0 when there is none).
  std::function<std::uintptr_t()> findWindow;
};

// The machine's own: enumerateSoundDevices, createSoundOutput and findCooperativeWindow.
SoundSystem platformSoundSystem();

// The first top-level window titled "Corlune" (ignoring case); failing that a top-level window
// of this process, else the last one enumerated. 0 where there are no windows (not Windows).
std::uintptr_t findCooperativeWindow();

// The format every device mixes to: 2 channels, 44,100 Hz, 16 bits.
WaveFormat primaryMixFormat();

class SoundDevice {
 public:
  SoundDevice(SoundDeviceInfo info, std::unique_ptr<SoundOutput> output);
  ~SoundDevice();
  SoundDevice(const SoundDevice&) = delete;
  SoundDevice& operator=(const SoundDevice&) = delete;

  const SoundDeviceInfo& info() const { return info_; }
  SoundOutput& output() { return *output_; }
  // Sets the priority cooperative level for window and the primary format, the first time
  // only: 0, or 1 after logging what failed. A failed attempt leaves the device unconfigured,
  // so the next track tries again rather than playing on a device without a cooperative level.
  std::int32_t configure(std::uintptr_t window, PlayerLog* log);
  bool initialised() const { return initialised_.load(); }

 private:
  SoundDeviceInfo info_;
  std::unique_ptr<SoundOutput> output_;
  std::unique_ptr<SoundBuffer> primary_;  // kept, so the primary format stays as it was set
  std::mutex mutex_;
  std::atomic<bool> initialised_{false};
};

class SoundDevices {
 public:
  // Enumerates the devices and makes an output for each; a device whose output cannot be made
  // is left out ("error creating DirectSound Object...", Output category). log may be null.
  SoundDevices(SoundSystem system, PlayerLog* log);
  SoundDevices(const SoundDevices&) = delete;
  SoundDevices& operator=(const SoundDevices&) = delete;

  // Enumeration itself failed.
  bool noSound() const { return noSound_; }
  std::size_t size() const { return devices_.size(); }
  SoundDevice& operator[](std::size_t i) { return *devices_[i]; }
  // The device the music plays on (the first); null when there is none.
  SoundDevice* preferred() { return devices_.empty() ? nullptr : devices_.front().get(); }
  // The cooperative window, looked up when first asked for (the saver's window exists by then).
  std::uintptr_t window();

 private:
  SoundSystem system_;
  std::vector<std::unique_ptr<SoundDevice>> devices_;
  bool noSound_ = false;
  std::once_flag windowFound_;
  std::uintptr_t window_ = 0;
};

}  // namespace skyloom
