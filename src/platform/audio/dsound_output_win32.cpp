// SoundOutput on the system's DirectSound. Every call passes straight through and answers
// DirectSound's own HRESULT; the only checks made here are the ones the interface promises on
// its own (3D calls on a buffer without a 3D interface, buffers from another output).
//
// dsound.dll is loaded when first asked for rather than imported, so that a machine without it
// still starts the program, which then plays nothing.

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include <cstring>

#include "platform/audio/sound_output.h"
#include "platform/win32_procs.h"

namespace skyloom {

// Our numbers must be DirectSound's: callers pass them through unchanged.
#define SKYLOOM_SAME(ours, theirs) \
  static_assert(static_cast<std::uint32_t>(ours) == static_cast<std::uint32_t>(theirs), #ours " differs from " #theirs)

SKYLOOM_SAME(SoundBufferFlag::PrimaryBuffer, DSBCAPS_PRIMARYBUFFER);
SKYLOOM_SAME(SoundBufferFlag::Static, DSBCAPS_STATIC);
SKYLOOM_SAME(SoundBufferFlag::LocHardware, DSBCAPS_LOCHARDWARE);
SKYLOOM_SAME(SoundBufferFlag::LocSoftware, DSBCAPS_LOCSOFTWARE);
SKYLOOM_SAME(SoundBufferFlag::Ctrl3D, DSBCAPS_CTRL3D);
SKYLOOM_SAME(SoundBufferFlag::CtrlFrequency, DSBCAPS_CTRLFREQUENCY);
SKYLOOM_SAME(SoundBufferFlag::CtrlPan, DSBCAPS_CTRLPAN);
SKYLOOM_SAME(SoundBufferFlag::CtrlVolume, DSBCAPS_CTRLVOLUME);
SKYLOOM_SAME(SoundBufferFlag::CtrlPositionNotify, DSBCAPS_CTRLPOSITIONNOTIFY);
SKYLOOM_SAME(SoundBufferFlag::StickyFocus, DSBCAPS_STICKYFOCUS);
SKYLOOM_SAME(SoundBufferFlag::GlobalFocus, DSBCAPS_GLOBALFOCUS);
SKYLOOM_SAME(SoundBufferFlag::GetCurrentPosition2, DSBCAPS_GETCURRENTPOSITION2);
SKYLOOM_SAME(kPlayLooping, DSBPLAY_LOOPING);
SKYLOOM_SAME(kStatusPlaying, DSBSTATUS_PLAYING);
SKYLOOM_SAME(kStatusBufferLost, DSBSTATUS_BUFFERLOST);
SKYLOOM_SAME(kStatusLooping, DSBSTATUS_LOOPING);
SKYLOOM_SAME(kLockFromWriteCursor, DSBLOCK_FROMWRITECURSOR);
SKYLOOM_SAME(kLockEntireBuffer, DSBLOCK_ENTIREBUFFER);
SKYLOOM_SAME(kCooperativeNormal, DSSCL_NORMAL);
SKYLOOM_SAME(kCooperativePriority, DSSCL_PRIORITY);
SKYLOOM_SAME(kApplyImmediate, DS3D_IMMEDIATE);
SKYLOOM_SAME(kApplyDeferred, DS3D_DEFERRED);
SKYLOOM_SAME(kSoundBufferLost, DSERR_BUFFERLOST);
SKYLOOM_SAME(kSoundNoDriver, DSERR_NODRIVER);
SKYLOOM_SAME(kSoundInvalidCall, DSERR_INVALIDCALL);
SKYLOOM_SAME(kSoundControlUnavailable, DSERR_CONTROLUNAVAIL);
SKYLOOM_SAME(kSoundPriorityNeeded, DSERR_PRIOLEVELNEEDED);
SKYLOOM_SAME(kInvalidArg, DSERR_INVALIDPARAM);
static_assert(sizeof(SoundDeviceInfo::guid) == sizeof(GUID));

#undef SKYLOOM_SAME

namespace {

// The library, loaded once and kept for the process's lifetime: objects made from it must not
// outlive it. Null when the system has none.
HMODULE dsoundLibrary() {
  static HMODULE library = LoadLibraryA("dsound.dll");
  return library;
}

WAVEFORMATEX toNative(const WaveFormat& f) {
  WAVEFORMATEX out{};
  out.wFormatTag = f.formatTag;
  out.nChannels = f.channels;
  out.nSamplesPerSec = f.samplesPerSec;
  out.nAvgBytesPerSec = f.avgBytesPerSec;
  out.nBlockAlign = f.blockAlign;
  out.wBitsPerSample = f.bitsPerSample;
  out.cbSize = 0;
  return out;
}

WaveFormat fromNative(const WAVEFORMATEX& f) {
  return {f.wFormatTag, f.nChannels, static_cast<std::uint32_t>(f.nSamplesPerSec),
          static_cast<std::uint32_t>(f.nAvgBytesPerSec), f.nBlockAlign, f.wBitsPerSample};
}

D3DVECTOR toNative(const Vec3& v) { return {v.x, v.y, v.z}; }
Vec3 fromNative(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }

DS3DBUFFER toNative(const Sound3DParameters& p) {
  DS3DBUFFER out{};
  out.dwSize = sizeof out;
  out.vPosition = toNative(p.position);
  out.vVelocity = toNative(p.velocity);
  out.dwInsideConeAngle = p.insideConeAngle;
  out.dwOutsideConeAngle = p.outsideConeAngle;
  out.vConeOrientation = toNative(p.coneOrientation);
  out.lConeOutsideVolume = p.coneOutsideVolume;
  out.flMinDistance = p.minDistance;
  out.flMaxDistance = p.maxDistance;
  out.dwMode = p.mode;
  return out;
}

Sound3DParameters fromNative(const DS3DBUFFER& p) {
  Sound3DParameters out;
  out.position = fromNative(p.vPosition);
  out.velocity = fromNative(p.vVelocity);
  out.insideConeAngle = p.dwInsideConeAngle;
  out.outsideConeAngle = p.dwOutsideConeAngle;
  out.coneOrientation = fromNative(p.vConeOrientation);
  out.coneOutsideVolume = p.lConeOutsideVolume;
  out.minDistance = p.flMinDistance;
  out.maxDistance = p.flMaxDistance;
  out.mode = p.dwMode;
  return out;
}

template <typename Interface>
void release(Interface*& object) {
  if (object) object->Release();
  object = nullptr;
}

class DirectSoundBuffer final : public SoundBuffer {
 public:
  // Takes over one reference to each interface; buffer3D is null for a buffer without Ctrl3D.
  DirectSoundBuffer(const IDirectSound* owner, IDirectSoundBuffer* buffer, IDirectSound3DBuffer* buffer3D)
      : owner_(owner), buffer_(buffer), buffer3D_(buffer3D) {
    DSBCAPS caps{};
    caps.dwSize = sizeof caps;
    if (SUCCEEDED(buffer_->GetCaps(&caps))) {
      flags_ = caps.dwFlags;
      bytes_ = caps.dwBufferBytes;
    }
  }

  ~DirectSoundBuffer() override {
    release(buffer3D_);
    release(buffer_);
  }

  const IDirectSound* owner() const { return owner_; }
  IDirectSoundBuffer* native() const { return buffer_; }
  bool has3D() const { return buffer3D_ != nullptr; }
  bool primary() const { return (flags_ & DSBCAPS_PRIMARYBUFFER) != 0; }
  bool hasCtrl3D() const { return (flags_ & DSBCAPS_CTRL3D) != 0; }

  HResult setFormat(const WaveFormat& format) override {
    const WAVEFORMATEX native = toNative(format);
    return buffer_->SetFormat(&native);
  }

  HResult getFormat(WaveFormat& out) const override {
    // The primary buffer may answer an extensible format, larger than WAVEFORMATEX; its first
    // fields are the same.
    WAVEFORMATEXTENSIBLE native{};
    HRESULT hr = buffer_->GetFormat(&native.Format, sizeof native, nullptr);
    if (SUCCEEDED(hr)) out = fromNative(native.Format);
    return hr;
  }

  std::uint32_t bytes() const override { return bytes_; }

  HResult lock(std::uint32_t offset, std::uint32_t bytes, void** region1, std::uint32_t* bytes1, void** region2,
               std::uint32_t* bytes2, std::uint32_t flags) override {
    DWORD count1 = 0, count2 = 0;
    HRESULT hr = buffer_->Lock(offset, bytes, region1, bytes1 ? &count1 : nullptr, region2,
                               bytes2 ? &count2 : nullptr, flags);
    if (bytes1) *bytes1 = SUCCEEDED(hr) ? count1 : 0;
    if (bytes2) *bytes2 = SUCCEEDED(hr) ? count2 : 0;
    return hr;
  }

  HResult unlock(void* region1, std::uint32_t bytes1, void* region2, std::uint32_t bytes2) override {
    return buffer_->Unlock(region1, bytes1, region2, bytes2);
  }

  HResult restore() override { return buffer_->Restore(); }
  HResult play(std::uint32_t flags) override { return buffer_->Play(0, 0, flags); }
  HResult stop() override { return buffer_->Stop(); }

  HResult getStatus(std::uint32_t& out) const override {
    DWORD status = 0;
    HRESULT hr = buffer_->GetStatus(&status);
    if (SUCCEEDED(hr)) out = status;
    return hr;
  }

  HResult getCurrentPosition(std::uint32_t* playCursor, std::uint32_t* writeCursor) const override {
    DWORD play = 0, write = 0;
    HRESULT hr = buffer_->GetCurrentPosition(playCursor ? &play : nullptr, writeCursor ? &write : nullptr);
    if (SUCCEEDED(hr)) {
      if (playCursor) *playCursor = play;
      if (writeCursor) *writeCursor = write;
    }
    return hr;
  }

  HResult setCurrentPosition(std::uint32_t playCursor) override { return buffer_->SetCurrentPosition(playCursor); }
  HResult setVolume(std::int32_t volume) override { return buffer_->SetVolume(volume); }

  HResult getVolume(std::int32_t& out) const override {
    LONG volume = 0;
    HRESULT hr = buffer_->GetVolume(&volume);
    if (SUCCEEDED(hr)) out = volume;
    return hr;
  }

  HResult setFrequency(std::uint32_t hertz) override { return buffer_->SetFrequency(hertz); }
  HResult setPan(std::int32_t pan) override { return buffer_->SetPan(pan); }

  HResult get3DParameters(Sound3DParameters& out) const override {
    if (!buffer3D_) return kSoundInvalidCall;
    DS3DBUFFER native{};
    native.dwSize = sizeof native;
    HRESULT hr = buffer3D_->GetAllParameters(&native);
    if (SUCCEEDED(hr)) out = fromNative(native);
    return hr;
  }

  HResult set3DParameters(const Sound3DParameters& parameters, std::uint32_t apply) override {
    if (!buffer3D_) return kSoundInvalidCall;
    const DS3DBUFFER native = toNative(parameters);
    return buffer3D_->SetAllParameters(&native, apply);
  }

  HResult set3DPosition(const Vec3& p, std::uint32_t apply) override {
    return buffer3D_ ? buffer3D_->SetPosition(p.x, p.y, p.z, apply) : kSoundInvalidCall;
  }

  HResult set3DVelocity(const Vec3& v, std::uint32_t apply) override {
    return buffer3D_ ? buffer3D_->SetVelocity(v.x, v.y, v.z, apply) : kSoundInvalidCall;
  }

 private:
  const IDirectSound* owner_;
  IDirectSoundBuffer* buffer_;
  IDirectSound3DBuffer* buffer3D_;
  DWORD flags_ = 0;
  std::uint32_t bytes_ = 0;
};

class DirectSoundListener final : public SoundListener {
 public:
  explicit DirectSoundListener(IDirectSound3DListener* listener) : listener_(listener) {}
  ~DirectSoundListener() override { release(listener_); }

  HResult getAllParameters(SoundListenerParameters& out) const override {
    DS3DLISTENER native{};
    native.dwSize = sizeof native;
    HRESULT hr = listener_->GetAllParameters(&native);
    if (FAILED(hr)) return hr;
    out.position = fromNative(native.vPosition);
    out.velocity = fromNative(native.vVelocity);
    out.orientFront = fromNative(native.vOrientFront);
    out.orientTop = fromNative(native.vOrientTop);
    out.distanceFactor = native.flDistanceFactor;
    out.rolloffFactor = native.flRolloffFactor;
    out.dopplerFactor = native.flDopplerFactor;
    return hr;
  }

  HResult setPosition(const Vec3& p, std::uint32_t apply) override { return listener_->SetPosition(p.x, p.y, p.z, apply); }
  HResult setVelocity(const Vec3& v, std::uint32_t apply) override { return listener_->SetVelocity(v.x, v.y, v.z, apply); }

  HResult setOrientation(const Vec3& f, const Vec3& t, std::uint32_t apply) override {
    return listener_->SetOrientation(f.x, f.y, f.z, t.x, t.y, t.z, apply);
  }

  HResult commitDeferredSettings() override { return listener_->CommitDeferredSettings(); }

 private:
  IDirectSound3DListener* listener_;
};

class DirectSoundOutput final : public SoundOutput {
 public:
  explicit DirectSoundOutput(IDirectSound* sound) : sound_(sound) {}
  ~DirectSoundOutput() override { release(sound_); }

  HResult setCooperativeLevel(std::uintptr_t window, std::uint32_t level) override {
    return sound_->SetCooperativeLevel(reinterpret_cast<HWND>(window), level);
  }

  HResult createSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out) override {
    out.reset();
    const bool primary = (desc.flags & DSBCAPS_PRIMARYBUFFER) != 0;
    WAVEFORMATEX format = toNative(desc.format);
    DSBUFFERDESC native{};
    native.dwSize = sizeof native;
    native.dwFlags = desc.flags;
    native.dwBufferBytes = desc.bufferBytes;
    native.lpwfxFormat = primary ? nullptr : &format;
    IDirectSoundBuffer* buffer = nullptr;
    HRESULT hr = sound_->CreateSoundBuffer(&native, &buffer, nullptr);
    if (FAILED(hr)) return hr;
    return wrap(buffer, !primary && (desc.flags & DSBCAPS_CTRL3D) != 0, out);
  }

  HResult duplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& out) override {
    out.reset();
    auto* source = dynamic_cast<DirectSoundBuffer*>(&original);
    if (!source || source->owner() != sound_) return kInvalidArg;
    IDirectSoundBuffer* buffer = nullptr;
    HRESULT hr = sound_->DuplicateSoundBuffer(source->native(), &buffer);
    if (FAILED(hr)) return hr;
    return wrap(buffer, source->has3D(), out);
  }

  HResult queryListener(SoundBuffer& primary, std::unique_ptr<SoundListener>& out) override {
    out.reset();
    auto* buffer = dynamic_cast<DirectSoundBuffer*>(&primary);
    if (!buffer || buffer->owner() != sound_) return kInvalidArg;
    if (!buffer->primary() || !buffer->hasCtrl3D()) return kSoundInvalidCall;
    void* listener = nullptr;
    HRESULT hr = buffer->native()->QueryInterface(IID_IDirectSound3DListener, &listener);
    if (FAILED(hr)) return hr;
    out = std::make_unique<DirectSoundListener>(static_cast<IDirectSound3DListener*>(listener));
    return hr;
  }

 private:
  // Wraps a new buffer, with its 3D interface when it was made with one.
  HResult wrap(IDirectSoundBuffer* buffer, bool with3D, std::unique_ptr<SoundBuffer>& out) {
    void* buffer3D = nullptr;
    if (with3D) {
      HRESULT hr = buffer->QueryInterface(IID_IDirectSound3DBuffer, &buffer3D);
      if (FAILED(hr)) {
        buffer->Release();
        return hr;
      }
    }
    out = std::make_unique<DirectSoundBuffer>(sound_, buffer, static_cast<IDirectSound3DBuffer*>(buffer3D));
    return kOk;
  }

  IDirectSound* sound_;
};

BOOL CALLBACK collectDevice(LPGUID guid, LPCSTR description, LPCSTR module, LPVOID context) {
  auto& devices = *static_cast<std::vector<SoundDeviceInfo>*>(context);
  SoundDeviceInfo device;
  if (guid) {
    device.hasGuid = true;
    std::memcpy(device.guid.data(), guid, sizeof(GUID));
  }
  device.description = description ? description : "";
  device.module = module ? module : "";
  devices.push_back(std::move(device));
  return TRUE;
}

}  // namespace

HResult enumerateSoundDevices(std::vector<SoundDeviceInfo>& out) {
  out.clear();
  const HMODULE library = dsoundLibrary();
  if (!library) return kSoundNoDriver;
  using Enumerate = HRESULT(WINAPI*)(LPDSENUMCALLBACKA, LPVOID);
  const auto enumerate = procAddress<Enumerate>(library, "DirectSoundEnumerateA");
  if (!enumerate) return kSoundNoDriver;
  return enumerate(collectDevice, &out);
}

HResult createSoundOutput(const SoundDeviceInfo* device, std::unique_ptr<SoundOutput>& out) {
  out.reset();
  const HMODULE library = dsoundLibrary();
  if (!library) return kSoundNoDriver;
  GUID guid{};
  const GUID* which = nullptr;
  if (device && device->hasGuid) {
    std::memcpy(&guid, device->guid.data(), sizeof guid);
    which = &guid;
  }
  // Only IDirectSound's calls are used (IDirectSound8 answers them too), so an older system
  // without DirectSoundCreate8 serves as well.
  IDirectSound* sound = nullptr;
  HRESULT hr = kSoundNoDriver;
  using Create8 = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND8*, LPUNKNOWN);
  using Create = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);
  if (const auto create8 = procAddress<Create8>(library, "DirectSoundCreate8")) {
    IDirectSound8* sound8 = nullptr;
    hr = create8(which, &sound8, nullptr);
    if (SUCCEEDED(hr)) {
      void* base = nullptr;
      hr = sound8->QueryInterface(IID_IDirectSound, &base);
      sound8->Release();  // the IDirectSound reference keeps the object
      sound = static_cast<IDirectSound*>(base);
    }
  } else if (const auto create = procAddress<Create>(library, "DirectSoundCreate")) {
    hr = create(which, &sound, nullptr);
  }
  if (FAILED(hr)) return hr;
  if (!sound) return kFail;
  out = std::make_unique<DirectSoundOutput>(sound);
  return hr;
}

}  // namespace skyloom
