#include "core/block_pool.h"

namespace skyloom {

BlockPool::BlockPool(std::size_t blockSize, std::size_t capacity, Layout layout)
    : blockSize_(blockSize), capacity_(capacity), layout_(layout) {
  free_.reserve(capacity);
  if (layout == Layout::Lazy) {
    lazyBlocks_.reserve(capacity);
    return;
  }
  storage_ = std::make_unique<std::uint8_t[]>(blockSize * capacity);  // value-initialised: zero
  for (std::size_t i = 0; i < capacity; ++i) {
    const std::size_t offset = i * blockSize;
    free_.push_back(layout == Layout::Offsets
                        ? offset
                        : reinterpret_cast<std::uintptr_t>(storage_.get() + offset));
  }
}

std::uintptr_t BlockPool::takeEntry() {
  if (free_.empty()) return kNoOffset;
  const std::uintptr_t entry = free_.back();
  free_.pop_back();
  return entry;
}

bool BlockPool::giveEntry(std::uintptr_t entry) {
  if (free_.size() >= capacity_) return false;
  free_.push_back(entry);
  return true;
}

void* BlockPool::take() {
  if (layout_ == Layout::Lazy && free_.empty()) {
    if (lazyBlocks_.size() >= capacity_) return nullptr;
    lazyBlocks_.push_back(std::make_unique<std::uint8_t[]>(blockSize_));
    return lazyBlocks_.back().get();
  }
  const std::uintptr_t entry = takeEntry();
  return entry == kNoOffset ? nullptr : reinterpret_cast<void*>(entry);
}

void* BlockPool::give(void* p) {
  if (p == nullptr) return nullptr;
  return giveEntry(reinterpret_cast<std::uintptr_t>(p)) ? p : nullptr;
}

std::size_t BlockPool::takeOffset() { return takeEntry(); }

bool BlockPool::giveOffset(std::size_t offset) { return giveEntry(offset); }

}  // namespace skyloom
