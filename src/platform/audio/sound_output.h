#pragma once
// SoundOutput, SoundBuffer and SoundListener: the part of DirectSound the program plays through
// (the engine sounds of the scene and the music player's stream). Calls follow DirectSound's
// meaning, argument order and numbers and answer HResult codes; they never throw. Objects are
// owned through std::unique_ptr, and a buffer must not outlive the output that made it.
//
// Two implementations: DirectSound on Windows (dsound_output_win32.cpp), and a virtual output
// (virtual_sound_output.h) whose play cursors follow a clock the test sets and which keeps, per
// buffer, the bytes it has "played", so tests can compare the PCM.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/math.h"
#include "core/result.h"

namespace skyloom {

// WAVEFORMATEX without the extra bytes (PCM needs none).
struct WaveFormat {
  std::uint16_t formatTag = 1;  // WAVE_FORMAT_PCM
  std::uint16_t channels = 2;
  std::uint32_t samplesPerSec = 44100;
  std::uint32_t avgBytesPerSec = 176400;
  std::uint16_t blockAlign = 4;
  std::uint16_t bitsPerSample = 16;
};

// DSBCAPS_* values.
struct SoundBufferFlag {
  enum : std::uint32_t {
    PrimaryBuffer = 0x00000001,
    Static = 0x00000002,
    LocHardware = 0x00000004,
    LocSoftware = 0x00000008,
    Ctrl3D = 0x00000010,
    CtrlFrequency = 0x00000020,
    CtrlPan = 0x00000040,
    CtrlVolume = 0x00000080,
    CtrlPositionNotify = 0x00000100,
    StickyFocus = 0x00004000,
    GlobalFocus = 0x00008000,
    GetCurrentPosition2 = 0x00010000,
  };
};

// DSBPLAY_*, DSBSTATUS_*, DSBLOCK_*, DSSCL_*, DS3D_* values.
constexpr std::uint32_t kPlayLooping = 0x00000001;
constexpr std::uint32_t kStatusPlaying = 0x00000001;
constexpr std::uint32_t kStatusBufferLost = 0x00000002;
constexpr std::uint32_t kStatusLooping = 0x00000004;
constexpr std::uint32_t kLockFromWriteCursor = 0x00000001;
constexpr std::uint32_t kLockEntireBuffer = 0x00000002;
constexpr std::uint32_t kCooperativeNormal = 1;
constexpr std::uint32_t kCooperativePriority = 2;
constexpr std::uint32_t kApplyImmediate = 0;
constexpr std::uint32_t kApplyDeferred = 1;

// DirectSound's own failure codes that callers look at.
constexpr HResult kSoundBufferLost = static_cast<HResult>(0x88780096u);  // DSERR_BUFFERLOST
constexpr HResult kSoundNoDriver = static_cast<HResult>(0x88780078u);    // DSERR_NODRIVER
constexpr HResult kSoundInvalidCall = static_cast<HResult>(0x88780032u); // DSERR_INVALIDCALL
constexpr HResult kSoundControlUnavailable = static_cast<HResult>(0x8878001Eu);  // DSERR_CONTROLUNAVAIL
constexpr HResult kSoundPriorityNeeded = static_cast<HResult>(0x88780046u);       // DSERR_PRIOLEVELNEEDED
// Bad arguments answer kInvalidArg (DSERR_INVALIDPARAM is E_INVALIDARG).

struct SoundBufferDesc {
  std::uint32_t flags = 0;
  std::uint32_t bufferBytes = 0;  // 0 for the primary buffer
  WaveFormat format;              // ignored for the primary buffer
};

// DS3DBUFFER.
struct Sound3DParameters {
  Vec3 position;
  Vec3 velocity;
  std::uint32_t insideConeAngle = 360;
  std::uint32_t outsideConeAngle = 360;
  Vec3 coneOrientation{0, 0, 1};
  std::int32_t coneOutsideVolume = 0;
  float minDistance = 1.0f;
  float maxDistance = 1000000000.0f;
  std::uint32_t mode = 0;  // DS3DMODE_NORMAL
};

// DS3DLISTENER.
struct SoundListenerParameters {
  Vec3 position;
  Vec3 velocity;
  Vec3 orientFront{0, 0, 1};
  Vec3 orientTop{0, 1, 0};
  float distanceFactor = 1.0f;
  float rolloffFactor = 1.0f;
  float dopplerFactor = 1.0f;
};

class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;

  // Primary buffer only: the format the device mixes to.
  virtual HResult setFormat(const WaveFormat& format) = 0;
  virtual HResult getFormat(WaveFormat& out) const = 0;
  virtual std::uint32_t bytes() const = 0;

  // As IDirectSoundBuffer::Lock: up to two regions (the second when the range wraps).
  virtual HResult lock(std::uint32_t offset, std::uint32_t bytes, void** region1, std::uint32_t* bytes1,
                       void** region2, std::uint32_t* bytes2, std::uint32_t flags) = 0;
  virtual HResult unlock(void* region1, std::uint32_t bytes1, void* region2, std::uint32_t bytes2) = 0;
  virtual HResult restore() = 0;

  virtual HResult play(std::uint32_t flags) = 0;  // kPlayLooping or 0
  virtual HResult stop() = 0;
  virtual HResult getStatus(std::uint32_t& out) const = 0;
  virtual HResult getCurrentPosition(std::uint32_t* playCursor, std::uint32_t* writeCursor) const = 0;
  virtual HResult setCurrentPosition(std::uint32_t playCursor) = 0;

  virtual HResult setVolume(std::int32_t hundredthsOfDecibel) = 0;  // 0 .. -10000
  virtual HResult getVolume(std::int32_t& out) const = 0;
  virtual HResult setFrequency(std::uint32_t hertz) = 0;           // 0: the format's own
  virtual HResult setPan(std::int32_t pan) = 0;

  // The buffer's 3D interface (buffers made with SoundBufferFlag::Ctrl3D only; kSoundInvalidCall
  // otherwise). apply: kApplyImmediate or kApplyDeferred (taken by the listener's commit).
  virtual HResult get3DParameters(Sound3DParameters& out) const = 0;
  virtual HResult set3DParameters(const Sound3DParameters& parameters, std::uint32_t apply) = 0;
  virtual HResult set3DPosition(const Vec3& position, std::uint32_t apply) = 0;
  virtual HResult set3DVelocity(const Vec3& velocity, std::uint32_t apply) = 0;

 protected:
  SoundBuffer() = default;
};

class SoundListener {
 public:
  virtual ~SoundListener() = default;
  SoundListener(const SoundListener&) = delete;
  SoundListener& operator=(const SoundListener&) = delete;

  virtual HResult getAllParameters(SoundListenerParameters& out) const = 0;
  virtual HResult setPosition(const Vec3& position, std::uint32_t apply) = 0;
  virtual HResult setVelocity(const Vec3& velocity, std::uint32_t apply) = 0;
  virtual HResult setOrientation(const Vec3& front, const Vec3& top, std::uint32_t apply) = 0;
  // Applies every deferred listener and buffer setting at once.
  virtual HResult commitDeferredSettings() = 0;

 protected:
  SoundListener() = default;
};

// One sound device as enumeration reports it.
struct SoundDeviceInfo {
  bool hasGuid = false;  // false: the primary (default) device
  std::array<std::uint8_t, 16> guid{};
  std::string description;
  std::string module;
};

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  // window: the HWND as an integer (DirectSound keys focus to it); level: kCooperative*.
  virtual HResult setCooperativeLevel(std::uintptr_t window, std::uint32_t level) = 0;
  virtual HResult createSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out) = 0;
  // A buffer sharing the original's memory, with its own cursors, volume and 3D settings.
  virtual HResult duplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& out) = 0;
  // The listener of a primary buffer made with SoundBufferFlag::Ctrl3D.
  virtual HResult queryListener(SoundBuffer& primary, std::unique_ptr<SoundListener>& out) = 0;

 protected:
  SoundOutput() = default;
};

// The machine's sound devices, in enumeration order; failed when enumeration itself fails.
HResult enumerateSoundDevices(std::vector<SoundDeviceInfo>& out);
// An output on the given device (null: the default device).
HResult createSoundOutput(const SoundDeviceInfo* device, std::unique_ptr<SoundOutput>& out);

}  // namespace skyloom
