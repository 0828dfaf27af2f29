#include <atomic>
#include <cstring>

#include "platform/gfx/recording_device.h"

namespace skyloom {

namespace {

std::atomic<std::uint64_t> nextTextureId{1};

// Rows are 4-byte aligned, as drivers commonly lay them out.
std::uint32_t rowPitch(std::uint32_t width, std::uint32_t texelSize, std::uint32_t padding) {
  return ((width * texelSize + 3u) & ~3u) + padding;
}

bool rectInside(const Rect& r, std::uint32_t width, std::uint32_t height) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
         static_cast<std::uint32_t>(r.right) <= width && static_cast<std::uint32_t>(r.bottom) <= height;
}

}  // namespace

RecordingTexture::RecordingTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                   std::uint32_t usage, Format format, Pool pool, std::uint32_t texelSize,
                                   std::uint32_t rowPadding, std::shared_ptr<MemoryCounter> memory)
    : id_(nextTextureId.fetch_add(1)),
      format_(format),
      pool_(pool),
      usage_(usage),
      texelSize_(texelSize),
      memory_(std::move(memory)) {
  levels_.resize(levels);
  for (std::uint32_t i = 0; i < levels; ++i) {
    Level& level = levels_[i];
    level.width = mipExtent(width, i);
    level.height = mipExtent(height, i);
    level.pitch = rowPitch(level.width, texelSize, rowPadding);
    level.bytes.assign(static_cast<std::size_t>(level.pitch) * level.height, 0);
  }
  ++memory_->liveTextures;
  if (pool_ == Pool::Default) {
    memory_->used += byteSize();
    ++memory_->liveDefaultPool;
  }
}

RecordingTexture::~RecordingTexture() {
  --memory_->liveTextures;
  if (pool_ == Pool::Default) {
    memory_->used -= byteSize();
    --memory_->liveDefaultPool;
  }
}

std::size_t RecordingTexture::byteSize() const {
  std::size_t total = 0;
  for (const Level& level : levels_) total += level.bytes.size();
  return total;
}

HResult RecordingTexture::getLevelDesc(std::uint32_t level, SurfaceDesc& out) const {
  if (level >= levels_.size()) return kD3DInvalidCall;
  out.format = format_;
  out.usage = usage_;
  out.pool = pool_;
  out.width = levels_[level].width;
  out.height = levels_[level].height;
  return kOk;
}

HResult RecordingTexture::lockRect(std::uint32_t level, LockedRect& out, const Rect* rect, std::uint32_t lockFlags) {
  if (level >= levels_.size()) return kD3DInvalidCall;
  // Default-pool memory is the card's: only dynamic textures map it for the CPU.
  if (pool_ == Pool::Default && !(usage_ & Usage::Dynamic)) return kD3DInvalidCall;
  Level& l = levels_[level];
  if (l.locked) return kD3DInvalidCall;
  std::size_t offset = 0;
  if (rect) {
    if (!rectInside(*rect, l.width, l.height)) return kD3DInvalidCall;
    offset = static_cast<std::size_t>(rect->top) * l.pitch + static_cast<std::size_t>(rect->left) * texelSize_;
  }
  l.locked = true;
  if (!(lockFlags & (Lock::ReadOnly | Lock::NoDirtyUpdate))) dirty_ = true;
  out.pitch = static_cast<std::int32_t>(l.pitch);
  out.bits = l.bytes.data() + offset;
  return kOk;
}

HResult RecordingTexture::unlockRect(std::uint32_t level) {
  if (level >= levels_.size() || !levels_[level].locked) return kD3DInvalidCall;
  levels_[level].locked = false;
  return kOk;
}

std::uint32_t RecordingTexture::pitch(std::uint32_t level) const {
  return level < levels_.size() ? levels_[level].pitch : 0;
}

std::span<const std::uint8_t> RecordingTexture::levelBytes(std::uint32_t level) const {
  if (level >= levels_.size()) return {};
  return levels_[level].bytes;
}

std::uint32_t RecordingTexture::texel(std::uint32_t level, std::uint32_t x, std::uint32_t y) const {
  if (level >= levels_.size()) return 0;
  const Level& l = levels_[level];
  if (x >= l.width || y >= l.height) return 0;
  const std::uint8_t* p = l.bytes.data() + static_cast<std::size_t>(y) * l.pitch + static_cast<std::size_t>(x) * texelSize_;
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < texelSize_ && i < 4; ++i) value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return value;
}

bool RecordingTexture::locked(std::uint32_t level) const {
  return level < levels_.size() && levels_[level].locked;
}

bool RecordingTexture::anyLevelLocked() const {
  for (const Level& level : levels_) {
    if (level.locked) return true;
  }
  return false;
}

}  // namespace skyloom
