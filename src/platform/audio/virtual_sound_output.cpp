// The virtual sound output. What it does, call by call, so that tests can rely on it:
//
// Buffers. A secondary buffer owns its bytes (zero when made). The primary buffer has none:
// bytes() answers 0, lock, setCurrentPosition and the cursors' movement do not apply to it
// (lock answers kSoundInvalidCall), and it starts in the device's usual 22,050 Hz 8-bit stereo
// format until setFormat, which needs the priority cooperative level. A duplicate shares its
// original's bytes (they live as long as any buffer using them) but has its own cursor, play
// state, volume, frequency, pan and 3D settings, starting from the original's settings with the
// cursor at 0 and stopped. Formats must be consistent PCM (1 or 2 channels, 8 or 16 bits,
// blockAlign and avgBytesPerSec matching, 100 to 200,000 Hz), and mono for a Ctrl3D buffer; a
// secondary buffer holds 4 bytes to 0x0FFFFFFF bytes. Volume, frequency and pan need their Ctrl flag (kSoundControlUnavailable).
//
// Locking. lock(offset, bytes) needs 0 < bytes <= size and offset < size; kLockEntireBuffer
// takes the whole buffer from the offset 0, kLockFromWriteCursor starts at the write cursor.
// A range running past the end wraps into a second region at the start of the buffer; when the
// caller gives no second region pointer the lock stops at the end. Several locks may be
// outstanding; unlock must name the regions of one of them exactly, with byte counts no larger
// than what was locked (it is how many were written).
//
// Cursors. The play cursor moves only in advance(seconds): each playing secondary buffer moves
// by seconds × rate whole sample frames (rate = the set frequency, else the format's samples per
// second; a frame is blockAlign bytes). The part of a frame left over is kept for the next
// advance, so many small advances move a buffer exactly as far as one large one. The bytes
// passed over are appended to the buffer's played record; a looping buffer wraps to its start,
// another stops at its end with its cursor back at 0 (so playing it again starts it over). The
// write cursor is the play cursor plus 10 ms of the buffer's rate (wrapping) while the buffer
// plays, as a sound card holds the next few milliseconds out of reach, and the play cursor when
// stopped. setCurrentPosition rounds down to a whole frame.
//
// 3D. Only buffers made with Ctrl3D answer the 3D calls (kSoundInvalidCall otherwise), and a
// listener is given only for a primary buffer made with Ctrl3D. A kApplyImmediate setting takes
// effect at once (and overrides the same value in any deferred settings waiting); a
// kApplyDeferred setting waits until a listener's commitDeferredSettings applies every waiting
// buffer and listener setting together. get3DParameters and getAllParameters answer the values
// in effect. Non-finite numbers, zero or parallel listener orientation vectors, cone angles
// above 360, cone volumes outside -10000..0, distances not above zero and unknown modes are
// refused with kInvalidArg.
//
// Loss. loseBuffers stops every secondary buffer and marks it lost: lock and play answer
// kSoundBufferLost and getStatus includes kStatusBufferLost until restore, which leaves the
// bytes zero as the real device leaves them undefined.
//
// Injected failures (VirtualSoundConfig): setCooperativeLevel answers kFail; a primary buffer,
// a secondary buffer or a duplicate cannot be made (kOutOfMemory); queryListener answers kFail.
//
// Threads. The music player calls lock, unlock and getCurrentPosition from its own thread while
// the test moves the clock, so every call takes the output's one mutex. The states buffers()
// answers are for a test to read while no other thread is calling in.

#include "platform/audio/virtual_sound_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace skyloom {

namespace {

constexpr std::uint32_t kMinBufferBytes = 4;            // DSBSIZE_MIN
constexpr std::uint32_t kMaxBufferBytes = 0x0FFFFFFF;   // DSBSIZE_MAX
constexpr std::uint32_t kMinFrequency = 100;            // DSBFREQUENCY_MIN
constexpr std::uint32_t kMaxFrequency = 200000;         // DSBFREQUENCY_MAX
constexpr std::int32_t kMinVolume = -10000;             // DSBVOLUME_MIN
constexpr std::int32_t kMaxPan = 10000;                 // DSBPAN_RIGHT
constexpr std::uint32_t kMaxMode = 2;                   // DS3DMODE_DISABLE
constexpr std::uint32_t kWriteLeadDivisor = 100;        // the write cursor leads by 1/100 s
// Frames moved in one advance at most; far beyond any test, it keeps the arithmetic exact.
constexpr double kMaxFramesPerAdvance = 9007199254740992.0;  // 2^53
// Clock steps such as 1/60 s are not exact in binary; without this slack a sum of them that
// should reach a whole frame can fall short of it by a rounding error and lose the frame.
constexpr double kFrameSlack = 1e-6;

// A primary buffer's format before setFormat: what a sound card mixes to by default.
constexpr WaveFormat kDefaultPrimaryFormat{1, 2, 22050, 44100, 2, 8};

bool validFormat(const WaveFormat& f) {
  if (f.formatTag != 1) return false;
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.samplesPerSec < kMinFrequency || f.samplesPerSec > kMaxFrequency) return false;
  if (f.blockAlign != f.channels * f.bitsPerSample / 8) return false;
  return f.avgBytesPerSec == f.samplesPerSec * f.blockAlign;
}

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool validApply(std::uint32_t apply) { return apply == kApplyImmediate || apply == kApplyDeferred; }

bool valid3DParameters(const Sound3DParameters& p) {
  if (!finite(p.position) || !finite(p.velocity) || !finite(p.coneOrientation)) return false;
  if (p.insideConeAngle > 360 || p.outsideConeAngle > 360) return false;
  if (p.coneOutsideVolume < kMinVolume || p.coneOutsideVolume > 0) return false;
  if (!std::isfinite(p.minDistance) || !std::isfinite(p.maxDistance)) return false;
  if (p.minDistance <= 0 || p.maxDistance <= 0) return false;
  return p.mode <= kMaxMode;
}

bool validOrientation(const Vec3& front, const Vec3& top) {
  if (!finite(front) || !finite(top)) return false;
  const Vec3 c{front.y * top.z - front.z * top.y, front.z * top.x - front.x * top.z,
               front.x * top.y - front.y * top.x};
  // Zero vectors and parallel ones give no frame to hear from.
  return c.x * c.x + c.y * c.y + c.z * c.z > 0;
}

}  // namespace

struct VirtualOutstandingLock {
  std::uint8_t* region1;
  std::uint32_t bytes1;
  std::uint8_t* region2;
  std::uint32_t bytes2;
};

// One buffer as the output keeps it; the buffer object owns it, the output lists it.
struct VirtualBufferRecord {
  VirtualBufferState state;
  std::shared_ptr<std::vector<std::uint8_t>> memory;  // null for the primary buffer
  double frameCarry = 0;                              // part of a frame not yet played
  std::vector<VirtualOutstandingLock> locks;
  bool hasPending3D = false;
  Sound3DParameters pending3D;

  bool primary() const { return (state.desc.flags & SoundBufferFlag::PrimaryBuffer) != 0; }
  bool has(std::uint32_t flag) const { return (state.desc.flags & flag) != 0; }
  std::uint32_t size() const { return memory ? static_cast<std::uint32_t>(memory->size()) : 0; }
  std::uint32_t frameBytes() const { return std::max<std::uint32_t>(1, state.desc.format.blockAlign); }
  std::uint32_t rate() const { return state.frequency ? state.frequency : state.desc.format.samplesPerSec; }
};

struct VirtualSoundOutput::Shared {
  mutable std::mutex mutex;
  VirtualSoundConfig config;
  std::uint32_t cooperativeLevel = 0;
  std::vector<VirtualBufferRecord*> live;  // creation order
  SoundListenerParameters listener;
  bool hasPendingListener = false;
  SoundListenerParameters pendingListener;
  int commits = 0;

  void appendPlayed(VirtualBufferRecord& r, const std::uint8_t* bytes, std::size_t count);
  void play(VirtualBufferRecord& r, std::uint64_t bytes);
};

void VirtualSoundOutput::Shared::appendPlayed(VirtualBufferRecord& r, const std::uint8_t* bytes,
                                              std::size_t count) {
  auto& played = r.state.played;
  const std::size_t limit = config.playedRecordLimit;
  if (count >= limit) {
    played.assign(bytes + (count - limit), bytes + count);
    return;
  }
  played.insert(played.end(), bytes, bytes + count);
  if (played.size() > limit) played.erase(played.begin(), played.begin() + static_cast<std::ptrdiff_t>(played.size() - limit));
}

void VirtualSoundOutput::Shared::play(VirtualBufferRecord& r, std::uint64_t bytes) {
  const std::uint32_t size = r.size();
  const std::uint8_t* data = r.memory->data();
  std::uint32_t& cursor = r.state.playCursor;
  if (!r.state.looping) {
    const std::uint32_t left = size - cursor;
    if (bytes < left) {
      appendPlayed(r, data + cursor, static_cast<std::size_t>(bytes));
      cursor += static_cast<std::uint32_t>(bytes);
      return;
    }
    appendPlayed(r, data + cursor, left);
    cursor = 0;
    r.state.playing = false;
    r.frameCarry = 0;
    return;
  }
  // Only the last playedRecordLimit bytes can be kept; pass over the rest without copying.
  const std::uint64_t limit = config.playedRecordLimit;
  if (bytes > limit) {
    cursor = static_cast<std::uint32_t>((cursor + (bytes - limit) % size) % size);
    bytes = limit;
  }
  while (bytes > 0) {
    const std::uint32_t chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, size - cursor));
    appendPlayed(r, data + cursor, chunk);
    cursor = (cursor + chunk) % size;
    bytes -= chunk;
  }
}

namespace {

class VirtualSoundBuffer final : public SoundBuffer {
 public:
  VirtualSoundBuffer(std::shared_ptr<VirtualSoundOutput::Shared> shared, std::unique_ptr<VirtualBufferRecord> record)
      : shared_(std::move(shared)), record_(std::move(record)) {
    std::lock_guard lock(shared_->mutex);
    shared_->live.push_back(record_.get());
  }

  ~VirtualSoundBuffer() override {
    std::lock_guard lock(shared_->mutex);
    auto& live = shared_->live;
    live.erase(std::remove(live.begin(), live.end(), record_.get()), live.end());
  }

  const VirtualSoundOutput::Shared* owner() const { return shared_.get(); }
  VirtualBufferRecord& record() { return *record_; }

  HResult setFormat(const WaveFormat& format) override {
    std::lock_guard lock(shared_->mutex);
    if (!record_->primary()) return kSoundInvalidCall;
    if (!validFormat(format)) return kInvalidArg;
    if (shared_->cooperativeLevel < kCooperativePriority) return kSoundPriorityNeeded;
    record_->state.desc.format = format;
    return kOk;
  }

  HResult getFormat(WaveFormat& out) const override {
    std::lock_guard lock(shared_->mutex);
    out = record_->state.desc.format;
    return kOk;
  }

  std::uint32_t bytes() const override {
    std::lock_guard lock(shared_->mutex);
    return record_->size();
  }

  HResult lock(std::uint32_t offset, std::uint32_t bytes, void** region1, std::uint32_t* bytes1, void** region2,
               std::uint32_t* bytes2, std::uint32_t flags) override;
  HResult unlock(void* region1, std::uint32_t bytes1, void* region2, std::uint32_t bytes2) override;

  HResult restore() override {
    std::lock_guard lock(shared_->mutex);
    if (record_->state.lost) {
      std::fill(record_->memory->begin(), record_->memory->end(), std::uint8_t{0});
      record_->state.lost = false;
    }
    return kOk;
  }

  HResult play(std::uint32_t flags) override {
    std::lock_guard lock(shared_->mutex);
    if ((flags & ~kPlayLooping) != 0) return kInvalidArg;
    if (record_->state.lost) return kSoundBufferLost;
    ++record_->state.playCalls;
    record_->state.playing = true;
    record_->state.looping = (flags & kPlayLooping) != 0;
    return kOk;
  }

  HResult stop() override {
    std::lock_guard lock(shared_->mutex);
    ++record_->state.stopCalls;
    record_->state.playing = false;
    return kOk;
  }

  HResult getStatus(std::uint32_t& out) const override {
    std::lock_guard lock(shared_->mutex);
    const auto& s = record_->state;
    out = (s.playing ? kStatusPlaying : 0u) | (s.playing && s.looping ? kStatusLooping : 0u) |
          (s.lost ? kStatusBufferLost : 0u);
    return kOk;
  }

  HResult getCurrentPosition(std::uint32_t* playCursor, std::uint32_t* writeCursor) const override {
    std::lock_guard lock(shared_->mutex);
    if (playCursor) *playCursor = record_->state.playCursor;
    if (writeCursor) *writeCursor = writeCursorLocked();
    return kOk;
  }

  HResult setCurrentPosition(std::uint32_t playCursor) override {
    std::lock_guard lock(shared_->mutex);
    if (record_->primary()) return kSoundInvalidCall;
    if (playCursor >= record_->size()) return kInvalidArg;
    record_->state.playCursor = playCursor - playCursor % record_->frameBytes();
    return kOk;
  }

  HResult setVolume(std::int32_t volume) override {
    std::lock_guard lock(shared_->mutex);
    if (!record_->has(SoundBufferFlag::CtrlVolume)) return kSoundControlUnavailable;
    if (volume < kMinVolume || volume > 0) return kInvalidArg;
    record_->state.volume = volume;
    return kOk;
  }

  HResult getVolume(std::int32_t& out) const override {
    std::lock_guard lock(shared_->mutex);
    if (!record_->has(SoundBufferFlag::CtrlVolume)) return kSoundControlUnavailable;
    out = record_->state.volume;
    return kOk;
  }

  HResult setFrequency(std::uint32_t hertz) override {
    std::lock_guard lock(shared_->mutex);
    if (record_->primary() || !record_->has(SoundBufferFlag::CtrlFrequency)) return kSoundControlUnavailable;
    if (hertz != 0 && (hertz < kMinFrequency || hertz > kMaxFrequency)) return kInvalidArg;
    record_->state.frequency = hertz;
    return kOk;
  }

  HResult setPan(std::int32_t pan) override {
    std::lock_guard lock(shared_->mutex);
    if (!record_->has(SoundBufferFlag::CtrlPan)) return kSoundControlUnavailable;
    if (pan < -kMaxPan || pan > kMaxPan) return kInvalidArg;
    record_->state.pan = pan;
    return kOk;
  }

  HResult get3DParameters(Sound3DParameters& out) const override {
    std::lock_guard lock(shared_->mutex);
    if (!has3D()) return kSoundInvalidCall;
    out = record_->state.parameters3D;
    return kOk;
  }

  HResult set3DParameters(const Sound3DParameters& parameters, std::uint32_t apply) override {
    if (!valid3DParameters(parameters)) return kInvalidArg;
    return change3D(apply, [&](Sound3DParameters& p) { p = parameters; });
  }

  HResult set3DPosition(const Vec3& position, std::uint32_t apply) override {
    if (!finite(position)) return kInvalidArg;
    return change3D(apply, [&](Sound3DParameters& p) { p.position = position; });
  }

  HResult set3DVelocity(const Vec3& velocity, std::uint32_t apply) override {
    if (!finite(velocity)) return kInvalidArg;
    return change3D(apply, [&](Sound3DParameters& p) { p.velocity = velocity; });
  }

 private:
  bool has3D() const { return !record_->primary() && record_->has(SoundBufferFlag::Ctrl3D); }

  std::uint32_t writeCursorLocked() const {
    const auto& s = record_->state;
    const std::uint32_t size = record_->size();
    if (!s.playing || size == 0) return s.playCursor;
    const std::uint64_t lead =
        static_cast<std::uint64_t>(record_->rate() / kWriteLeadDivisor) * record_->frameBytes();
    return static_cast<std::uint32_t>((s.playCursor + lead) % size);
  }

  template <typename Change>
  HResult change3D(std::uint32_t apply, Change change) {
    if (!validApply(apply)) return kInvalidArg;
    std::lock_guard lock(shared_->mutex);
    if (!has3D()) return kSoundInvalidCall;
    VirtualBufferRecord& r = *record_;
    if (apply == kApplyDeferred) {
      if (!r.hasPending3D) r.pending3D = r.state.parameters3D;
      r.hasPending3D = true;
      change(r.pending3D);
      return kOk;
    }
    change(r.state.parameters3D);
    if (r.hasPending3D) change(r.pending3D);
    return kOk;
  }

  std::shared_ptr<VirtualSoundOutput::Shared> shared_;
  std::unique_ptr<VirtualBufferRecord> record_;
};

HResult VirtualSoundBuffer::lock(std::uint32_t offset, std::uint32_t bytes, void** region1, std::uint32_t* bytes1,
                                 void** region2, std::uint32_t* bytes2, std::uint32_t flags) {
  if (!region1 || !bytes1) return kInvalidArg;
  if ((flags & ~(kLockFromWriteCursor | kLockEntireBuffer)) != 0) return kInvalidArg;
  std::lock_guard guard(shared_->mutex);
  VirtualBufferRecord& r = *record_;
  if (r.primary()) return kSoundInvalidCall;
  if (r.state.lost) return kSoundBufferLost;
  const std::uint32_t size = r.size();
  if (flags & kLockEntireBuffer) {
    offset = 0;
    bytes = size;
  } else if (flags & kLockFromWriteCursor) {
    offset = writeCursorLocked();
  }
  if (bytes == 0 || bytes > size || offset >= size) return kInvalidArg;

  VirtualOutstandingLock locked{r.memory->data() + offset, std::min(bytes, size - offset), nullptr, 0};
  if (locked.bytes1 < bytes && region2) {
    locked.region2 = r.memory->data();
    locked.bytes2 = bytes - locked.bytes1;
  }
  r.locks.push_back(locked);
  *region1 = locked.region1;
  *bytes1 = locked.bytes1;
  if (region2) *region2 = locked.region2;
  if (bytes2) *bytes2 = locked.bytes2;
  return kOk;
}

HResult VirtualSoundBuffer::unlock(void* region1, std::uint32_t bytes1, void* region2, std::uint32_t bytes2) {
  std::lock_guard guard(shared_->mutex);
  auto& locks = record_->locks;
  const auto match = std::find_if(locks.begin(), locks.end(), [&](const VirtualOutstandingLock& l) {
    return l.region1 == region1 && l.region2 == region2;
  });
  if (match == locks.end()) return kInvalidArg;
  if (bytes1 > match->bytes1 || bytes2 > match->bytes2) return kInvalidArg;
  locks.erase(match);
  return kOk;
}

class VirtualSoundListener final : public SoundListener {
 public:
  explicit VirtualSoundListener(std::shared_ptr<VirtualSoundOutput::Shared> shared) : shared_(std::move(shared)) {}

  HResult getAllParameters(SoundListenerParameters& out) const override {
    std::lock_guard lock(shared_->mutex);
    out = shared_->listener;
    return kOk;
  }

  HResult setPosition(const Vec3& position, std::uint32_t apply) override {
    if (!finite(position)) return kInvalidArg;
    return change(apply, [&](SoundListenerParameters& p) { p.position = position; });
  }

  HResult setVelocity(const Vec3& velocity, std::uint32_t apply) override {
    if (!finite(velocity)) return kInvalidArg;
    return change(apply, [&](SoundListenerParameters& p) { p.velocity = velocity; });
  }

  HResult setOrientation(const Vec3& front, const Vec3& top, std::uint32_t apply) override {
    if (!validOrientation(front, top)) return kInvalidArg;
    return change(apply, [&](SoundListenerParameters& p) {
      p.orientFront = front;
      p.orientTop = top;
    });
  }

  HResult commitDeferredSettings() override {
    std::lock_guard lock(shared_->mutex);
    for (VirtualBufferRecord* r : shared_->live) {
      if (!r->hasPending3D) continue;
      r->state.parameters3D = r->pending3D;
      r->hasPending3D = false;
    }
    if (shared_->hasPendingListener) shared_->listener = shared_->pendingListener;
    shared_->hasPendingListener = false;
    ++shared_->commits;
    return kOk;
  }

 private:
  template <typename Change>
  HResult change(std::uint32_t apply, Change changeParameters) {
    if (!validApply(apply)) return kInvalidArg;
    std::lock_guard lock(shared_->mutex);
    auto& s = *shared_;
    if (apply == kApplyDeferred) {
      if (!s.hasPendingListener) s.pendingListener = s.listener;
      s.hasPendingListener = true;
      changeParameters(s.pendingListener);
      return kOk;
    }
    changeParameters(s.listener);
    if (s.hasPendingListener) changeParameters(s.pendingListener);
    return kOk;
  }

  std::shared_ptr<VirtualSoundOutput::Shared> shared_;
};

}  // namespace

VirtualSoundOutput::VirtualSoundOutput(const VirtualSoundConfig& config) : shared_(std::make_shared<Shared>()) {
  shared_->config = config;
}

VirtualSoundOutput::~VirtualSoundOutput() = default;

HResult VirtualSoundOutput::setCooperativeLevel(std::uintptr_t window, std::uint32_t level) {
  std::lock_guard lock(shared_->mutex);
  if (shared_->config.failCooperativeLevel) return kFail;
  constexpr std::uint32_t kWritePrimary = 4;  // DSSCL_WRITEPRIMARY, the highest level
  if (window == 0 || level < kCooperativeNormal || level > kWritePrimary) return kInvalidArg;
  shared_->cooperativeLevel = level;
  return kOk;
}

HResult VirtualSoundOutput::createSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out) {
  out.reset();
  auto record = std::make_unique<VirtualBufferRecord>();
  record->state.desc = desc;
  if (desc.flags & SoundBufferFlag::PrimaryBuffer) {
    if (desc.bufferBytes != 0) return kInvalidArg;
    if (shared_->config.failPrimaryBuffer) return kOutOfMemory;
    record->state.desc.format = kDefaultPrimaryFormat;
  } else {
    if (desc.bufferBytes < kMinBufferBytes || desc.bufferBytes > kMaxBufferBytes) return kInvalidArg;
    if (!validFormat(desc.format)) return kInvalidArg;
    // A sound placed in space has one channel; the device refuses a stereo one.
    if ((desc.flags & SoundBufferFlag::Ctrl3D) && desc.format.channels != 1) return kInvalidArg;
    if (shared_->config.failSecondaryBuffers) return kOutOfMemory;
    record->memory = std::make_shared<std::vector<std::uint8_t>>(desc.bufferBytes, std::uint8_t{0});
  }
  out = std::make_unique<VirtualSoundBuffer>(shared_, std::move(record));
  return kOk;
}

HResult VirtualSoundOutput::duplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& out) {
  out.reset();
  auto* source = dynamic_cast<VirtualSoundBuffer*>(&original);
  if (!source || source->owner() != shared_.get()) return kInvalidArg;
  auto record = std::make_unique<VirtualBufferRecord>();
  {
    std::lock_guard lock(shared_->mutex);
    const VirtualBufferRecord& from = source->record();
    if (from.primary()) return kSoundInvalidCall;
    if (shared_->config.failDuplicates) return kOutOfMemory;
    record->state.desc = from.state.desc;
    record->state.volume = from.state.volume;
    record->state.frequency = from.state.frequency;
    record->state.pan = from.state.pan;
    record->state.parameters3D = from.state.parameters3D;
    record->memory = from.memory;
  }
  out = std::make_unique<VirtualSoundBuffer>(shared_, std::move(record));
  return kOk;
}

HResult VirtualSoundOutput::queryListener(SoundBuffer& primary, std::unique_ptr<SoundListener>& out) {
  out.reset();
  auto* buffer = dynamic_cast<VirtualSoundBuffer*>(&primary);
  if (!buffer || buffer->owner() != shared_.get()) return kInvalidArg;
  {
    std::lock_guard lock(shared_->mutex);
    const VirtualBufferRecord& r = buffer->record();
    if (!r.primary() || !r.has(SoundBufferFlag::Ctrl3D)) return kSoundInvalidCall;
    if (shared_->config.failListener) return kFail;
  }
  out = std::make_unique<VirtualSoundListener>(shared_);
  return kOk;
}

void VirtualSoundOutput::advance(double seconds) {
  if (!(seconds > 0)) return;  // also NaN: the clock never runs backwards
  std::lock_guard lock(shared_->mutex);
  for (VirtualBufferRecord* r : shared_->live) {
    if (r->primary() || !r->state.playing || r->state.lost) continue;
    const double frames = std::min(r->frameCarry + seconds * r->rate(), kMaxFramesPerAdvance);
    const double whole = std::floor(frames + kFrameSlack);
    r->frameCarry = std::max(0.0, frames - whole);
    shared_->play(*r, static_cast<std::uint64_t>(whole) * r->frameBytes());
  }
}

void VirtualSoundOutput::loseBuffers() {
  std::lock_guard lock(shared_->mutex);
  for (VirtualBufferRecord* r : shared_->live) {
    if (r->primary()) continue;
    r->state.playing = false;
    r->state.lost = true;
  }
}

std::uint32_t VirtualSoundOutput::cooperativeLevel() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->cooperativeLevel;
}

std::vector<const VirtualBufferState*> VirtualSoundOutput::buffers() const {
  std::lock_guard lock(shared_->mutex);
  std::vector<const VirtualBufferState*> states;
  states.reserve(shared_->live.size());
  for (const VirtualBufferRecord* r : shared_->live) states.push_back(&r->state);
  return states;
}

const SoundListenerParameters& VirtualSoundOutput::listener() const { return shared_->listener; }

int VirtualSoundOutput::commits() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->commits;
}

}  // namespace skyloom
